// SPDX-License-Identifier: MIT
#include "platform/portaudio/LibraryDiagnostics.h"

#include <alsa/asoundlib.h>
#include <dlfcn.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace platform {

namespace {

using VfprintfFunction = int (*)(FILE*, const char*, va_list);

// The C library's vfprintf, behind this program's.
VfprintfFunction LibraryVfprintf() {
    static const auto next = reinterpret_cast<VfprintfFunction>(dlsym(RTLD_NEXT, "vfprintf"));
    return next;
}

// Whether the code at `address` belongs to the PortAudio library.
bool InPortAudio(const void* address) {
    Dl_info info{};
    return dladdr(address, &info) != 0 && info.dli_fname != nullptr &&
           std::strstr(info.dli_fname, "libportaudio") != nullptr;
}

void AlsaMessage(const char* file, int line, const char* function, int error, const char* format,
                 ...) {
    if (!AudioDebugWanted()) {
        return;
    }
    va_list args;
    va_start(args, format);
    char text[512];
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    std::fprintf(stderr, "ALSA lib %s:%d:(%s) %s%s%s\n", file, line, function, text,
                 error != 0 ? ": " : "", error != 0 ? snd_strerror(error) : "");
}

} // namespace

bool AudioDebugWanted() {
    const char* value = std::getenv("OSC_AUDIO_DEBUG");
    return value != nullptr && *value != '\0' && std::strcmp(value, "0") != 0;
}

void RouteLibraryDiagnostics() {
    snd_lib_error_set_handler(&AlsaMessage);
}

} // namespace platform

// PortAudio prints its diagnostics through vfprintf on standard error and offers no switch for
// them in its public interface; this definition takes its calls, keeps PortAudio's back unless
// asked for, and passes every other caller's to the C library unchanged.
extern "C" int vfprintf(FILE* stream, const char* format, va_list args) {
    if (stream == stderr && !platform::AudioDebugWanted() &&
        platform::InPortAudio(__builtin_return_address(0))) {
        return 0;
    }
    return platform::LibraryVfprintf()(stream, format, args);
}

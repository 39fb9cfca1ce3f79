// SPDX-License-Identifier: MIT
// The vfprintf filter that keeps PortAudio's diagnostics off standard error works only while
// PortAudio is a shared library of its own that calls the plain vfprintf: linked statically,
// its code is not told apart from the program's, and built with _FORTIFY_SOURCE it calls
// __vfprintf_chk, past the filter. These tests fail on such a PortAudio instead of letting its
// lines reach the user's terminal unnoticed.

#include <portaudio.h>

#include <gtest/gtest.h>

#include <cstdarg>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include <dlfcn.h>

namespace {

std::string PortAudioLibrary() {
    Dl_info info{};
    return dladdr(reinterpret_cast<void*>(&Pa_Initialize), &info) != 0 && info.dli_fname
               ? info.dli_fname
               : "";
}

TEST(LibraryDiagnostics, PortAudioIsASharedLibraryOfItsOwn) {
    EXPECT_NE(PortAudioLibrary().find("libportaudio"), std::string::npos)
        << "PortAudio's code lies in '" << PortAudioLibrary() << "'";
}

TEST(LibraryDiagnostics, PortAudioCallsThePlainVfprintfThatTheProgramReplaces) {
    std::ifstream file(PortAudioLibrary(), std::ios::binary);
    ASSERT_TRUE(file) << PortAudioLibrary();
    const std::string bytes{std::istreambuf_iterator<char>(file), {}};
    // Names of imported functions lie in the dynamic string table, each ended by a NUL.
    EXPECT_NE(bytes.find(std::string("\0vfprintf\0", 10)), std::string::npos);
    EXPECT_EQ(bytes.find("__vfprintf_chk"), std::string::npos)
        << "built with _FORTIFY_SOURCE: its diagnostics bypass the filter";
    EXPECT_EQ(dlsym(RTLD_DEFAULT, "vfprintf"), reinterpret_cast<void*>(&vfprintf))
        << "the program's vfprintf is not the one the libraries bind to";
}

} // namespace

// SPDX-License-Identifier: MIT
// Sanitizer settings of the window's real-audio tests (read only by sanitizer builds): both
// fontconfig's one-time set-up and the memory that ALSA's dlopen'ed device plugins keep are the
// libraries' own. Full unwinding lets the leak report reach snd_dlopen.

extern "C" {

const char* __asan_default_options() {
    return "fast_unwind_on_malloc=0";
}

const char* __lsan_default_suppressions() {
    return "leak:libfontconfig\nleak:snd_dlopen\n";
}

} // extern "C"

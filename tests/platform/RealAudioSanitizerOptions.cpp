// SPDX-License-Identifier: MIT
// Sanitizer settings of the real-audio tests (read only by sanitizer builds).
//
// ALSA loads its device plugins with dlopen while PortAudio probes the devices; their start-up
// code allocates memory that stays with the plugin and is lost when ALSA unloads it again.
// That is the library's, not ours. Full unwinding lets the leak report reach snd_dlopen, the
// frame that the suppression names, instead of stopping in the unloaded plugin.

extern "C" {

const char* __asan_default_options() {
    return "fast_unwind_on_malloc=0";
}

const char* __lsan_default_suppressions() {
    return "leak:snd_dlopen\n";
}

} // extern "C"

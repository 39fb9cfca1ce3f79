// SPDX-License-Identifier: MIT
// Sanitizer settings of the window's tests (read only by sanitizer builds): fontconfig keeps its
// one-time set-up for the whole process, which the leak check would otherwise report.

extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig\n";
}

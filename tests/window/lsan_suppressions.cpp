// Under LeakSanitizer: fontconfig, which Qt loads to find fonts, keeps its caches to the end
// of the process by design. Only its own allocations are left out of the leak report.
extern "C" const char* __lsan_default_suppressions();
extern "C" __attribute__((visibility("default"))) const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}

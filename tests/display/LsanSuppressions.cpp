// The font library keeps a few caches for the life of the process; the leak
// checker of sanitized builds is told so.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}

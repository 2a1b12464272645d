// Default options of the sanitizers, linked into every sanitizer build of our executables so that
// tests, the command line and the tools run alike without environment set-up.

extern "C" {

const char* __asan_default_options() {
    return "detect_leaks=1:abort_on_error=0:detect_stack_use_after_return=0";
}

const char* __ubsan_default_options() { return "print_stacktrace=1:halt_on_error=1"; }

// The suppressions below are expected at every exit; listing them each time is no news.
const char* __lsan_default_options() { return "print_suppressions=0"; }

// Caches that these libraries keep for the life of the process and never free at exit.
const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n"
           "leak:libpango-1.0.so\n"
           "leak:libpangocairo-1.0.so\n"
           "leak:libpangoft2-1.0.so\n"
           "leak:libglib-2.0.so\n"
           "leak:libgobject-2.0.so\n"
           "leak:libgio-2.0.so\n"
           "leak:libpoppler.so\n"
           "leak:libpoppler-glib.so\n"
           "leak:libcairo.so\n"
           "leak:libharfbuzz.so\n"
           "leak:libgdk_pixbuf-2.0.so\n"
           "leak:libfreetype.so\n";
}
}

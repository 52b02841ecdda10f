// The leak checker of the sanitizer build skips what the desktop libraries keep until exit
// (tools/lsan.supp). LSAN_OPTIONS still adds to this.

extern "C" const char* __lsan_default_options() {
    return "print_suppressions=0:suppressions=" KV_LSAN_SUPPRESSIONS;
}

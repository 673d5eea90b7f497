/* keep_libraries: preloaded in the sanitizer run only. It makes dlclose keep every library
   loaded, so that when LeakSanitizer looks at the end of a test the GL driver's frames still
   have names, and its own allocations can be told from ours by those names. */
int dlclose(void* handle) {
    (void)handle;
    return 0;
}

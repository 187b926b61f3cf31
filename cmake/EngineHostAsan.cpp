// Linked into the programs that host Qt WebEngine and libVLC when they are built with
// AddressSanitizer: what the engines do that ASan would otherwise stop them for.

// Chromium inside Qt WebEngine frees some objects with a size other than the one it allocated
// (whenever a page is destroyed), and libVLC's adaptive-streaming plugin frees with free() what
// it allocated with new. ASan cannot tell one library's deletes from another's, so these two
// checks are off for these programs. ASAN_OPTIONS from the environment still add to them.
extern "C" const char* __asan_default_options() { return "new_delete_type_mismatch=0:alloc_dealloc_mismatch=0"; }

// libVLC unloads its plugins with its last instance, and with them libraries such as pixman and
// Mesa's driver, whose start-up allocations are referenced only from their own data: once that
// is unmapped the blocks would read as leaks with no name on their stacks, impossible to tell
// from ours or to suppress. So nothing is unloaded in these builds.
extern "C" int dlclose(void*) { return 0; }

// fontconfig keeps what it has resolved in caches that it reaches only through
// memory LeakSanitizer does not scan (its mapped cache files), so the first lookup of
// a family reads as a leak in the middle of a run. The model host's own objects are
// still checked; only allocations made inside fontconfig are let through.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

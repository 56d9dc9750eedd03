// fontconfig, which Pango asks for fonts, keeps its configuration and caches until the program ends
// and frees none of it; LeakSanitizer would report them at the end of every program that prints.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}

// What a program writes to its error output is tested; a note on the suppressions used is not ours.
extern "C" const char* __lsan_default_options()
{
    return "print_suppressions=0";
}

// Stand-ins for the error-text module, built into their own directories so
// that the tests can point the loader at a module without NWstrerror, or at
// one whose NWstrerror answers with an empty text.

#ifdef VARIANT_EMPTY_TEXT
extern "C" __attribute__((visibility("default"))) const char* NWstrerror(int)
{
    return "";
}
#else
extern "C" __attribute__((visibility("default"))) int SomethingElse()
{
    return 0;
}
#endif

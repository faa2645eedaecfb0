// Stand-in for the router's libnvram.so: an empty store.
extern "C" char *nvram_get(const char *name)
{
    (void)name;
    return 0;
}

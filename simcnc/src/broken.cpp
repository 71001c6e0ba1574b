// Linked only into the "broken" variant of the library: it refers to a function that no
// library defines, so loading it with RTLD_NOW fails as a damaged installation would.
extern "C" int simcnc_symbol_nobody_defines(void);

extern "C" __attribute__((visibility("default"))) int SimBrokenProbe(void) {
    return simcnc_symbol_nobody_defines();
}

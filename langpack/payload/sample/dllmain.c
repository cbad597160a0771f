/* Entry of the sample user-interface libraries: they hold resources only,
   linked without the C runtime, so there is nothing to set up. */
int __stdcall DllMain(void* module, unsigned long reason, void* reserved);

int __stdcall DllMain(void* module, unsigned long reason, void* reserved) {
    (void)module;
    (void)reason;
    (void)reserved;
    return 1;
}

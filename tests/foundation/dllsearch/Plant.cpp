// A DLL that a planter leaves beside the program, hoping it loads by its bare name.
extern "C" __declspec(dllexport) int QuillPlant() { return 1; }

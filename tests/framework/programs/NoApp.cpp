// A program that links the library's entry function but defines no application object:
// started by the application tests, it must show the error box and exit with -1.

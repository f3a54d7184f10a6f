// A small library for the dynamic-library tests.

extern "C" int lvtest_answer() { return 42; }

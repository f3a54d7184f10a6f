// A loadable library that is not an add-in: it exports no entry points.
extern "C" int bare_module_value() { return 7; }

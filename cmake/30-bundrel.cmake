# The context packer: library, module tarvelle.bundrel, command bundrel.
tarvelle_library(packing_lib packing)
tarvelle_module(NAME bundrel DEST src/tarvelle PACKAGE tarvelle LIBS packing_lib)
tarvelle_test_suite(packing tests/packing packing_lib)

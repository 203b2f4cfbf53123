# The retrieval engine: library, module tarvelle.kestil, command kestil, and the module
# data directory beside the installed module.
tarvelle_library(retrieval_lib retrieval Threads::Threads)
tarvelle_module(NAME kestil DEST src/tarvelle PACKAGE tarvelle LIBS retrieval_lib)
install(DIRECTORY DESTINATION src/tarvelle/data)
tarvelle_test_suite(retrieval tests/retrieval retrieval_lib)

# The pattern-based graph builder: library, module tarvelle.vorlane, command vorlane.
tarvelle_library(vorlane_lib graph/vorlane Threads::Threads)
tarvelle_module(NAME vorlane DEST src/tarvelle PACKAGE tarvelle LIBS vorlane_lib)
tarvelle_test_suite(core tests/core vorlane_lib)
tarvelle_test_suite(graph tests/graph vorlane_lib)

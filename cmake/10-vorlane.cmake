# The graph builders' shared kit: a plain library that both builders link.
tarvelle_library(graph_kit graph/kit)
tarvelle_test_suite(graph_kit tests/graph/kit graph_kit)
# The pattern-based graph builder: library, module tarvelle.vorlane, command vorlane.
tarvelle_library(vorlane_lib graph/vorlane graph_kit Threads::Threads)
tarvelle_module(NAME vorlane DEST src/tarvelle PACKAGE tarvelle LIBS vorlane_lib)
tarvelle_test_suite(vorlane tests/graph/vorlane vorlane_lib)

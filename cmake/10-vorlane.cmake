# The graph builders' shared kit: a plain library that both builders link.
tarvelle_library(graph_kit graph/kit)
# The pattern-based graph builder: library, module tarvelle.vorlane, command vorlane.
tarvelle_library(vorlane_lib graph/vorlane graph_kit Threads::Threads)
tarvelle_module(NAME vorlane DEST src/tarvelle PACKAGE tarvelle LIBS vorlane_lib)
tarvelle_test_suite(graph tests/graph vorlane_lib)

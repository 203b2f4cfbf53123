# The code-health auditor: library, top-level module audit, command audit.
tarvelle_library(audit_lib audit Threads::Threads)
# The fix mode hands the process over through the agent library's one exec interface.
tarvelle_module(NAME audit DEST . PACKAGE "" LIBS audit_lib agent_lib)
tarvelle_test_suite(audit tests/audit audit_lib agent_lib)

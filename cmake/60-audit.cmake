# The code-health auditor: library, top-level module audit, command audit.
tarvelle_library(audit_lib audit ICU::uc Threads::Threads)
tarvelle_module(NAME audit DEST . PACKAGE "" LIBS audit_lib)
tarvelle_test_suite(audit tests/audit audit_lib)

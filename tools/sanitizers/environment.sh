# Sanitizer settings shared by the sanitized tests and the fuzz runs; sourced.
suppressions=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# Stop at the first report with a failing status; leaks of libraries that are
# not ours are listed, with their reasons, in lsan.supp.
export ASAN_OPTIONS="abort_on_error=0:halt_on_error=1:detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1:check_initialization_order=1:${ASAN_OPTIONS:-}"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1:suppressions=$suppressions/ubsan.supp:${UBSAN_OPTIONS:-}"
export LSAN_OPTIONS="suppressions=$suppressions/lsan.supp:print_suppressions=0:${LSAN_OPTIONS:-}"

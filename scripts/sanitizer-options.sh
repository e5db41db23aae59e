# Sourced by the scripts that run sanitized programs: any report ends the program with a failure, and the
# leaks that libraries outside Quillon are known for are left out by name (tests/lsan.supp). A failed
# malloc or nothrow new returns null as it does outside the sanitizers (SimpleIni measures a folder opened
# as a file as huge, and copes with the failed allocation).
export ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1:detect_stack_use_after_return=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
# The suppressions are found from this file's own folder, whoever sources it and from wherever.
export LSAN_OPTIONS=suppressions=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/tests/lsan.supp

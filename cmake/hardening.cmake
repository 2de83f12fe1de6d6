# Release builds are hardened the way Debian builds its packages: a
# position-independent executable, stack protection, glibc's checked
# string and stdio functions, and a relocation table made read-only once
# loaded. Debug builds, which do not optimise, are left as they are.
#
# The flags are ELF linker and GCC/Clang flags: a MinGW or Apple build
# gets none of them. The sanitizer and fuzzer builds get none either:
# they check memory themselves, and the checked functions that
# _FORTIFY_SOURCE substitutes hide some accesses from AddressSanitizer.

if(NOT CMAKE_CXX_COMPILER_ID MATCHES "^(GNU|Clang)$"
   OR NOT CMAKE_SYSTEM_NAME MATCHES "^(Linux|GNU|FreeBSD|NetBSD|OpenBSD|DragonFly)$"
   OR TAPEWRIGHT_SANITIZE OR TAPEWRIGHT_FUZZ)
  return()
endif()

set(release_configs Release,RelWithDebInfo,MinSizeRel)

# -fPIE rather than CMake's POSITION_INDEPENDENT_CODE, which compiles the
# conversion library with -fPIC: code built for a shared library, whose
# functions may be replaced at load time, so calls between them are not
# inlined and every access to the state goes through a table. That costs
# a quarter more instructions in the conversion.
include(CheckPIESupported)
check_pie_supported(OUTPUT_VARIABLE pie_message LANGUAGES CXX)
if(CMAKE_CXX_LINK_PIE_SUPPORTED)
  add_compile_options($<$<CONFIG:${release_configs}>:-fPIE>)
  # Only a program is linked as PIE; a shared module (a test's) is not.
  add_link_options(
    "$<$<AND:$<CONFIG:${release_configs}>,$<STREQUAL:$<TARGET_PROPERTY:TYPE>,EXECUTABLE>>:-pie>")
endif()

add_compile_options($<$<CONFIG:${release_configs}>:-fstack-protector-strong>)

# Every release configuration optimises, which _FORTIFY_SOURCE needs.
# A toolchain that already defines it keeps its own level: defining it
# again with another value warns, which -Werror turns into a failure.
include(CheckCXXSourceCompiles)
set(CMAKE_REQUIRED_FLAGS -O2)
check_cxx_source_compiles([[
#ifdef _FORTIFY_SOURCE
#error _FORTIFY_SOURCE is already defined
#endif
int main() { return 0; }
]] TAPEWRIGHT_FORTIFY_UNDEFINED)
unset(CMAKE_REQUIRED_FLAGS)
if(TAPEWRIGHT_FORTIFY_UNDEFINED)
  add_compile_definitions($<$<CONFIG:${release_configs}>:_FORTIFY_SOURCE=2>)
endif()

include(CheckLinkerFlag)
check_linker_flag(CXX "LINKER:-z,relro,-z,now" TAPEWRIGHT_LINKER_RELRO_NOW)
if(TAPEWRIGHT_LINKER_RELRO_NOW)
  add_link_options($<$<CONFIG:${release_configs}>:LINKER:-z,relro,-z,now>)
endif()

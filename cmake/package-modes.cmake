# Run by cpack for every package, after installing into its staging
# folder and before making the package. A file's mode in the package
# comes from the staging folder, where folders and copied files take the
# umask of whoever builds: with umask 077 the .deb carried folders that
# only root could enter (which lintian rejects) and the source release
# files only their owner could read. Every folder becomes 0755 and every
# file 0644, or 0755 if its owner may run it, whatever the umask.

execute_process(COMMAND chmod -R u+rwX,go=rX "${CPACK_TEMPORARY_DIRECTORY}"
                RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "package-modes: chmod on ${CPACK_TEMPORARY_DIRECTORY} "
          "failed: ${status}")
endif()

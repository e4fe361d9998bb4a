# grainix-cli-mpi under mpirun on this machine: the files of 2 and 3 ranks
# against grainix-cli's, a rank killed mid-run, SIGINT and SIGTERM. Without
# MPI the tests are reported as skipped.
set(_mpi_script ${CMAKE_CURRENT_LIST_DIR}/mpi/mpi_test.sh)
if(TARGET grainix-cli-mpi AND MPIEXEC_EXECUTABLE)
  foreach(_ranks 2 3)
    add_test(NAME mpi.IdenticalFilesOn${_ranks}Ranks
             COMMAND ${_mpi_script} identical ${_ranks} $<TARGET_FILE:grainix-cli> $<TARGET_FILE:grainix-cli-mpi>)
  endforeach()
  add_test(NAME mpi.AKilledRankEndsTheJobWithoutAFile
           COMMAND ${_mpi_script} killed $<TARGET_FILE:grainix-cli> $<TARGET_FILE:grainix-cli-mpi>)
  add_test(NAME mpi.SignalsStopEveryRankWithoutAFile
           COMMAND ${_mpi_script} interrupted $<TARGET_FILE:grainix-cli> $<TARGET_FILE:grainix-cli-mpi>)
  # Under AddressSanitizer the MPI library's own allocations at exit (in
  # components it has unloaded, so no suppression can name them) would be
  # reported as leaks; memory errors are still caught.
  set(_mpi_env "GRAINIX_MPIRUN=${MPIEXEC_EXECUTABLE}")
  if(GRAINIX_SANITIZE)
    list(APPEND _mpi_env "ASAN_OPTIONS=detect_leaks=0")
  endif()
  set_tests_properties(mpi.IdenticalFilesOn2Ranks mpi.IdenticalFilesOn3Ranks mpi.AKilledRankEndsTheJobWithoutAFile
                       mpi.SignalsStopEveryRankWithoutAFile PROPERTIES
                       ENVIRONMENT "${_mpi_env}" RUN_SERIAL TRUE TIMEOUT 600)
else()
  add_test(NAME mpi.NotBuilt COMMAND sh -c "echo 'grainix-cli-mpi is not built (no MPI found)'; exit 77")
  set_tests_properties(mpi.NotBuilt PROPERTIES SKIP_RETURN_CODE 77)
endif()

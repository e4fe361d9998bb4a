#!/bin/bash
# Parallel efficiency of the PDH pair loop over MPI ranks on this machine:
# K = 2 ranks x 1 thread (grainix-cli-mpi) against 1 process x 2 threads
# (grainix-cli), on the same grain; efficiency = time(1 x 2) / time(2 x 1).
# Wall times of whole runs (grain, PDH, file), the best of REPEAT runs.
#   bench/mpi/efficiency.sh [BUILD_DIR] [RADIUS] [REPEAT]
set -eu
build=${1:-build} radius=${2:-45} repeat=${3:-3}
cli=$(realpath "$build/cli/grainix-cli") mpi=$(realpath "$build/cli/grainix-cli-mpi")
export OMPI_MCA_btl=self,vader OMPI_MCA_btl_vader_single_copy_mechanism=none
MPIRUN=(mpirun --oversubscribe)
[ "$(id -u)" -eq 0 ] && MPIRUN+=(--allow-run-as-root)
grain=(--structure fcc --element Ni --radius "$radius" --bin 0.01 --pdh-method pairs --quiet)
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cd "$dir"

best() {  # best wall time in seconds of REPEAT runs of the command
  local b="" t0 t1 t k
  for k in $(seq "$repeat"); do
    t0=$(date +%s.%N); "$@" > /dev/null; t1=$(date +%s.%N)
    t=$(echo "$t1 - $t0" | bc -l)
    if [ -z "$b" ] || [ "$(echo "$t < $b" | bc -l)" = 1 ]; then b=$t; fi
  done
  echo "$b"
}

one=$(best "$cli" "${grain[@]}" --threads 2 --write-pdh one.his)
two=$(best "${MPIRUN[@]}" -n 2 "$mpi" "${grain[@]}" --threads 1 --write-pdh two.his)
base=$(best "${MPIRUN[@]}" -n 2 "$mpi" --version)
cmp <(grep -v '^#date:' one.his) <(grep -v '^#date:' two.his) || { echo "files differ" >&2; exit 1; }
printf 'fcc Ni radius %s Angs, bin 0.01, pair loop\n' "$radius"
printf '1 process x 2 threads   %8.2f s\n' "$one"
printf '2 ranks   x 1 thread    %8.2f s   (mpirun start and end alone: %.2f s)\n' "$two" "$base"
printf 'parallel efficiency     %8.2f   (without the start and end of mpirun: %.2f)\n' \
  "$(echo "$one / $two" | bc -l)" "$(echo "$one / ($two - $base)" | bc -l)"

#!/bin/bash
# grainix-cli-mpi against grainix-cli, run by mpirun on this machine.
#   mpi_test.sh identical K CLI CLI_MPI   files of K ranks equal those of one process
#   mpi_test.sh killed CLI CLI_MPI        a rank killed mid-run ends the job
#   mpi_test.sh interrupted CLI CLI_MPI   SIGINT to the job, SIGTERM to one rank
# Everything runs in a fresh folder under the working folder.
set -u
what=$1; shift
if [ "$what" = identical ]; then ranks=$1; shift; fi
cli=$1 cli_mpi=$2

# Loopback only: shared memory between the ranks, no network, no
# cross-memory attach (not allowed in every container); more ranks than
# cores are fine.
export OMPI_MCA_btl=self,vader
export OMPI_MCA_btl_vader_single_copy_mechanism=none
export OMPI_MCA_rmaps_base_oversubscribe=1
MPIRUN=("${GRAINIX_MPIRUN:-mpirun}" --oversubscribe)
[ "$(id -u)" -eq 0 ] && MPIRUN+=(--allow-run-as-root)

cifs=$(cd "$(dirname "$0")/../../data/cif" && pwd)
dir=$(mktemp -d "$PWD/mpi-$what-XXXXXX")
trap 'rm -rf "$dir"' EXIT
cd "$dir" || exit 1
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# Two files equal apart from their "#date:" lines.
same() {
  if ! cmp -s <(grep -v '^#date:' "$1") <(grep -v '^#date:' "$2"); then
    fail "$2 differs from $1"
    diff <(grep -v '^#date:' "$1") <(grep -v '^#date:' "$2") | head -5
  fi
}

# Runs one case: grainix-cli with two threads, then K ranks with one and
# with two threads each; every file the case writes must be the same.
# Usage: check NAME "OUTPUT FILES" OPTIONS...
check() {
  local name=$1 files=$2; shift 2
  local opts=("$@") f t
  mkdir -p "$name/one"
  local args=()
  for f in $files; do args+=("--write-${f%%=*}" "${f#*=}"); done
  (cd "$name/one" && "$cli" "${opts[@]}" "${args[@]}" --threads 2 --quiet) || { fail "$name: grainix-cli"; return; }
  for t in 1 2; do
    mkdir -p "$name/mpi$t"
    (cd "$name/mpi$t" && timeout 300 "${MPIRUN[@]}" -n "$ranks" "$cli_mpi" "${opts[@]}" "${args[@]}" --threads $t --quiet) ||
      { fail "$name: $ranks ranks x $t threads ended with $?"; continue; }
    for f in $files; do
      f=${f#*=}
      [ -s "$name/one/$f" ] || { fail "$name: grainix-cli wrote no $f"; continue; }
      same "$name/one/$f" "$name/mpi$t/$f"
    done
  done
}

# The pid of rank R of the job started by mpirun $1.
rankPid() {
  local c
  for c in $(cat /proc/"$1"/task/*/children 2>/dev/null); do
    if tr '\0' '\n' < /proc/"$c"/environ 2>/dev/null | grep -qx "OMPI_COMM_WORLD_RANK=$2"; then
      echo "$c"
      return
    fi
  done
}

# A long PDH (minutes) of K ranks in the background; `job` is mpirun's pid.
LONG=(--structure fcc --element Ni --radius 90 --bin 0.01 --pdh-method pairs --threads 1 --write-pdh long.his)
startLong() {
  "${MPIRUN[@]}" -n "$1" "$cli_mpi" "${LONG[@]}" 2> long.err &
  job=$!
  local k
  for k in $(seq 300); do  # until every rank has started and the PDH begun
    [ -n "$(rankPid "$job" $(($1 - 1)))" ] && grep -q "PDH CALCULATIONS START" long.err && break
    sleep 0.1
  done
  sleep 1  # well inside the pair loop
}

# Waits at most 60 s for the job; its status goes to `status`.
endOf() {
  local k
  for k in $(seq 600); do
    kill -0 "$job" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$job" 2>/dev/null; then
    fail "$1: the job did not end"
    kill -KILL "$job"
  fi
  wait "$job"
  status=$?
}

noOutput() {
  [ -e long.his ] && fail "$1: long.his was written"
  local left
  left=$(ls -A | grep '^\.grainix-')
  [ -n "$left" ] && fail "$1: temporary files left: $left"
}

case $what in
identical)
  check pdh "pdh=ni.his" --structure fcc --element Ni --radius 12 --pdh-method pairs
  check lattice "pdh=ni.his" --structure fcc --element Ni --radius 12
  check partials "pdh=zns.his diffraction=zns.diff gr=zns.grp" \
    --structure zincblende --element Zn --element2 S --radius 10 --bin 0.005
  check delta "delta=zns.dij pdh=zns.his diffraction=zns.diff" --structure zincblende --element Zn --element2 S \
    --radius 10 --sections 5:-2,10:1 --thermal normal --amplitude 0.05,0.04 --seed 7
  "$cli" --structure bcc --element Fe --radius 9 --write-nodes fe.xyz --quiet
  check input "pdh=fe.his gr=fe.grp" --input "$dir/fe.xyz" --bin 0.01
  check elements "pdh=bto.his diffraction=bto.diff" --cif "$cifs/batio3_cubic.cif" --radius 9 --bin 0.01
  ;;
killed)
  startLong 3
  victim=$(rankPid "$job" 1)
  [ -n "$victim" ] || fail "rank 1 not found"
  [ -n "$victim" ] && kill -KILL "$victim"
  endOf "rank 1 killed"
  [ "$status" -ne 0 ] || fail "rank 1 killed: the job ended with status 0"
  noOutput "rank 1 killed"
  ;;
interrupted)
  startLong 2
  kill -INT "$job"
  endOf "SIGINT to the job"
  [ "$status" -ne 0 ] || fail "SIGINT to the job: status 0"
  noOutput "SIGINT to the job"
  # SIGTERM to one rank: all ranks stop together and rank 0 says so.
  startLong 3
  kill -TERM "$(rankPid "$job" 2)"
  endOf "SIGTERM to rank 2"
  [ "$status" -ne 0 ] || fail "SIGTERM to rank 2: status 0"
  grep -q "^grainix-cli-mpi: stopped: no file was written" long.err ||
    { fail "SIGTERM to rank 2: rank 0 did not report the stop"; cat long.err; }
  noOutput "SIGTERM to rank 2"
  ;;
esac
[ "$failures" -eq 0 ] && echo "passed"
[ "$failures" -eq 0 ]

#!/usr/bin/env bash
# The sweep's run-slurm.sh under a real Slurm: a one-node cluster of its own (munged, slurmctld
# and slurmd on this machine, with their state, sockets and logs in a scratch directory and
# their own ports) is started, a sweep of 4 cases is submitted as a job array with sbatch
# --wait, gathered, and the cluster stopped. Run by hand, as root (slurmd starts jobs as their
# user); it needs Debian's slurmctld, slurmd, slurm-client and munge, which the CI does not
# install. Exit status 77 (skipped) with the reason when the cluster cannot start.
#   usage: bash tests/sheetprep/slurm_check.sh BUILD_DIR
set -euo pipefail
build=$(cd "${1:?usage: slurm_check.sh BUILD_DIR}" && pwd)
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
skip() { echo "slurm_check: skipped: $*" >&2; exit 77; }
fail() { echo "slurm_check: $*" >&2; exit 1; }

for command in munged slurmctld slurmd sbatch sinfo; do
    command -v "$command" > /dev/null || skip "$command is not installed (Debian: slurmctld slurmd slurm-client munge)"
done
[ "$(id -u)" -eq 0 ] || skip "slurmd must run as root to start jobs"
[ -r /etc/munge/munge.key ] || skip "no munge key in /etc/munge/munge.key"

work=$(mktemp -d)
chmod 755 "$work"
started=()
# The daemons this script started, last first, each by its process id.
stop() {
    for ((k = ${#started[@]} - 1; k >= 0; k--)); do
        kill "${started[k]}" 2> /dev/null || true
        wait "${started[k]}" 2> /dev/null || true
    done
    rm -rf "$work"
}
trap stop EXIT

mkdir -p "$work/munge" "$work/state" "$work/spool"
chown munge:munge "$work/munge" 2> /dev/null || true
node=$(hostname -s)
port=$((20000 + RANDOM % 20000))
cat > "$work/slurm.conf" << EOF
ClusterName=sweepcheck
SlurmctldHost=$node
SlurmUser=root
SlurmctldPort=$port
SlurmdPort=$((port + 1))
AuthType=auth/munge
AuthInfo=socket=$work/munge/munge.socket
CredType=cred/munge
StateSaveLocation=$work/state
SlurmdSpoolDir=$work/spool
SlurmctldPidFile=$work/slurmctld.pid
SlurmdPidFile=$work/slurmd.pid
SlurmctldLogFile=$work/slurmctld.log
SlurmdLogFile=$work/slurmd.log
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
SelectType=select/cons_tres
SelectTypeParameters=CR_CPU
SchedulerType=sched/builtin
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
JobCompType=jobcomp/none
MpiDefault=none
ReturnToService=2
NodeName=$node CPUs=$(nproc) State=UNKNOWN
PartitionName=check Nodes=ALL Default=YES MaxTime=INFINITE State=UP
EOF
export SLURM_CONF="$work/slurm.conf"

runuser -u munge -- munged --foreground --socket="$work/munge/munge.socket" \
    --pid-file="$work/munge/munged.pid" --log-file="$work/munge/munged.log" \
    --seed-file="$work/munge/munged.seed" > /dev/null 2>&1 &
started+=($!)
slurmctld -D -i -f "$SLURM_CONF" > /dev/null 2>&1 &
started+=($!)
slurmd -D -f "$SLURM_CONF" -N "$node" > /dev/null 2>&1 &
started+=($!)
for _ in $(seq 60); do
    state=$(sinfo -h -N -o '%T' 2> /dev/null || true)
    [ "$state" = "idle" ] && break
    sleep 0.5
done
[ "${state:-}" = "idle" ] || skip "the node did not come up (state '${state:-none}'): $(tail -n 3 "$work"/*.log 2> /dev/null | tr '\n' ' ')"

# Four cases of the square under pressure; case 2 loses its input.txt, so that its run fails
# and the others run on.
mkdir -p "$work/design"
cp "$source_dir/tests/data/sheetprep/square.msh" "$work/design/"
cat > "$work/design/problem.toml" << 'EOF'
program = "melvar"
mesh = "square.msh"
[sheet]
thickness = 0.5
law = "neo-hookean"
shear = 1.0
[[support]]
group = "edge"
x = 0
y = 0
z = 0
[[load]]
group = "face"
pressure = 0.3
[sweep]
"sheet.thickness" = [0.5, 1]
"load.1.pressure" = [0.1, 0.3]
EOF
"$build/sheetprep" --sweep "$work/study" "$work/design/problem.toml" > /dev/null
rm "$work/study/case-0002/input.txt"
status=0
(cd "$work/study" && sbatch --wait --quiet run-slurm.sh --quiet) || status=$?
# sbatch --wait ends with the highest exit status of the array's tasks: case 2's.
[ "$status" -eq 1 ] || fail "sbatch --wait ended with $status, not case 2's 1"
outs=$(find "$work/study" -maxdepth 1 -name 'slurm-*_*.out' | wc -l)
[ "$outs" -eq 4 ] || fail "$outs array tasks left their output, not 4"
gathered=$("$build/sheetprep" --gather "$work/study")
[ "$gathered" = "sheetprep: wrote $work/study/results.csv: 4 cases, 3 Optimal, 0 NOT Optimal, 1 failed, 0 running, 0 not run" ] ||
    fail "gathered: $gathered"
grep -q '^2,case-0002,0.5,0.3,failed,melvar: input.txt: file not found' "$work/study/results.csv" ||
    fail "case 2's row: $(sed -n 3p "$work/study/results.csv")"
echo "slurm_check: 4 array tasks ran their 4 cases under $(sinfo -V), case 2 failing alone"

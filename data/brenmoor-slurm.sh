#!/bin/bash
# Converts the books of a list on a Slurm cluster as a job array: each task takes its
# share of the list (brenmoor-convert reads SLURM_ARRAY_TASK_ID, SLURM_ARRAY_TASK_MIN and
# SLURM_ARRAY_TASK_COUNT) and writes its own report, OUT/brenmoor-report-shard-K-of-N.csv.
# A task that is run again (sbatch --array=2 brenmoor-slurm.sh) goes on where it stopped.
# When every task has ended, one report of the whole list:
#   brenmoor-convert report merge --from books.txt out/brenmoor-report-shard-*.csv > report.csv
#   sbatch brenmoor-slurm.sh          (LIST, OUT and FORMATS may be set in the environment)
#SBATCH --job-name=brenmoor-convert
#SBATCH --array=0-3
#SBATCH --cpus-per-task=2
#SBATCH --mem=1G
#SBATCH --output=brenmoor-convert-%A_%a.log
set -euo pipefail
LIST=${LIST:-books.txt}
OUT=${OUT:-out}
FORMATS=${FORMATS:-pst}
exec brenmoor-convert export -j "${SLURM_CPUS_PER_TASK:-1}" --skip-done "$FORMATS" --from "$LIST" "$OUT"

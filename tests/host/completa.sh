#!/usr/bin/env bash
# Bash completion: commands first, then the general options and the command's own.
set -euo pipefail
source "$1"
fallas=0
espera() {
    local esperado="$1"
    shift
    COMP_LINE="$*"
    COMP_POINT=${#COMP_LINE}
    _kd562
    if [ "${COMPREPLY[*]}" != "$esperado" ]; then
        echo "kd562 ${*:2}: «${COMPREPLY[*]}», se esperaba «$esperado»" >&2
        fallas=$((fallas + 1))
    fi
}
espera "init list sync account history undo status show help" kd562 ""
espera "sync status show" kd562 s
espera "--allow-shrink" kd562 sync --dry-run --a
espera "--retries" kd562 sync --r
espera "--force --format" kd562 --db sqlite:x.db undo --f
espera "history help" kd562 help h
espera "--limit" kd562 history --l
espera "--modules --max-age" kd562 status --m
espera "" kd562 sync --retries ""
echo "$((9 - fallas)) passed, $fallas failed"
[ "$fallas" = 0 ]

#!/usr/bin/env python3
"""Bash completion as a person meets it: an interactive bash on a pseudo-terminal, with its
own COMP_WORDBREAKS (":" among them), completing --db values with TAB."""
import os
import pty
import select
import sys
import tempfile
import time

completado = os.path.abspath(sys.argv[1])
casos = [
    ("kd562 --db sqlite:ru\t", "kd562 --db sqlite:ruta/"),
    ("kd562 --db sqlite:ruta/ti\t", "kd562 --db sqlite:ruta/tienda.db "),
    ("kd562 list --db ru\t", "kd562 list --db ruta/"),
    ("kd562 --db ruta/t\t", "kd562 --db ruta/tienda.db "),
    ("kd562 --db sq\t", "kd562 --db sqlite:"),
    ("kd562 sta\t", "kd562 status "),
]

with tempfile.TemporaryDirectory() as carpeta:
    os.makedirs(os.path.join(carpeta, "ruta"))
    open(os.path.join(carpeta, "ruta", "tienda.db"), "w").close()
    hijo, terminal = pty.fork()
    if hijo == 0:
        os.chdir(carpeta)
        os.execvpe("bash", ["bash", "--norc", "--noprofile", "-i"],
                   {"PATH": os.environ["PATH"], "HOME": carpeta, "TERM": "dumb",
                    "PS1": "$ ", "INPUTRC": "/dev/null"})
    leido = b""

    def hasta(marca, espera=10.0):
        global leido
        fin = time.time() + espera
        while marca not in leido:
            listo, _, _ = select.select([terminal], [], [], max(0.0, fin - time.time()))
            if not listo:
                sys.exit("sin respuesta de bash; se leyó: %r" % leido[-300:])
            leido += os.read(terminal, 4096)
        antes, _, leido = leido.partition(marca)
        return antes

    def escribe(texto):
        os.write(terminal, texto.encode())

    def calla():
        # Bash drops what is typed ahead while a completion runs: wait for it to finish.
        global leido
        while select.select([terminal], [], [], 0.3)[0]:
            leido += os.read(terminal, 4096)

    # Ctrl-T prints the line as readline holds it, between marks.
    escribe("source '%s'; bind -x '\"\\C-t\": printf \"\\n<<%%s>>\\n\" \"$READLINE_LINE\"'; "
            "echo \"rupturas[$COMP_WORDBREAKS]\"\n" % completado)
    rupturas = hasta(b"]\r\n").decode().rpartition("rupturas[")[2]
    if ":" not in rupturas:
        sys.exit("COMP_WORDBREAKS de bash no trae ':': %r" % rupturas)
    calla()
    fallas = 0
    for tecleado, esperado in casos:
        escribe(tecleado)
        calla()
        escribe("\x14")
        hasta(b"\n<<")
        visto = hasta(b">>").decode()
        escribe("\x15")  # Ctrl-U: a clean line for the next case
        calla()
        if visto != esperado:
            print("«%s» dio «%s», se esperaba «%s»" % (tecleado.strip(), visto, esperado),
                  file=sys.stderr)
            fallas += 1
    escribe("exit\n")
    os.waitpid(hijo, 0)
    print("%d passed, %d failed" % (len(casos) - fallas, fallas))
    sys.exit(1 if fallas else 0)

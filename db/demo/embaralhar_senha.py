#!/usr/bin/env python3
"""Scrambles a password the way sistema_kot.ini stores it (key QEW unless given):

    python3 db/demo/embaralhar_senha.py SENHA [CHAVE]

Prints 2 + 2n upper-case hex digits: a random seed, then each character's code plus the previous
value (mod 255), XOR the next key character. The tool only ever descrambles it.
"""
import random
import sys


def embaralhar(texto, chave="QEW", semente=None):
    if semente is None:
        semente = random.SystemRandom().randrange(256)
    saida = [f"{semente:02X}"]
    anterior, k = semente, 0
    for c in texto.encode("cp1252"):
        soma = (c + anterior) % 255
        k = k + 1 if k < len(chave) else 1
        anterior = soma ^ ord(chave[k - 1])
        saida.append(f"{anterior:02X}")
    return "".join(saida)


if __name__ == "__main__":
    if len(sys.argv) not in (2, 3):
        sys.exit("uso: embaralhar_senha.py SENHA [CHAVE]")
    print(embaralhar(sys.argv[1], sys.argv[2] if len(sys.argv) == 3 else "QEW"))

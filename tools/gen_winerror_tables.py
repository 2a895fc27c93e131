#!/usr/bin/env python3
"""Writes the trace's name tables (src/frame/generated/winerror_tables.inc).

Run at development time, where Debian's mingw-w64-common (and, for the rows it
adds, wine's development headers) are installed; the output is committed, the
headers never are:

    python3 tools/gen_winerror_tables.py [--saida src/frame/generated/winerror_tables.inc]

Sources, in order of precedence (the first name defined for a value wins):
  1. mingw-w64's winerror.h,
  2. wine's winerror.h, for the values mingw does not define,
  3. mingw-w64's olectl.h, for the CTL_E_ family only (the control errors are
     not in winerror.h).

Tables written:
  kFacilidadesSdk  facility -> FACILITY_ name (the SDK facilities up to FACILITY_MBN)
  kCodigosWin32    low 16 bits -> ERROR_/RPC_S_/RPC_X_/EPT_S_ name (Win32 system and RPC ranges)
  kHResultsConhecidos  whole HRESULT -> name of the well-known OLE/COM/crypto families
Every table is sorted by key for binary search.
"""

import argparse
import os
import re
import sys

MINGW = "/usr/share/mingw-w64/include/winerror.h"
WINE = "/usr/include/wine/wine/windows/winerror.h"
OLECTL = "/usr/share/mingw-w64/include/olectl.h"

# FACILITY_MBN is the highest facility of the SDK set the trace names.
FACILIDADE_MAXIMA = 84

# SDK facilities (Windows 7 SDK, all at or below FACILITY_MBN) that neither
# header defines; used only for values no header names.
FACILIDADES_SDK_AUSENTES = {
    42: "FACILITY_UI",
    50: "FACILITY_FWP",
    51: "FACILITY_WINRM",
    52: "FACILITY_NDIS",
    53: "FACILITY_USERMODE_HYPERVISOR",
    54: "FACILITY_CMI",
    55: "FACILITY_USERMODE_VIRTUALIZATION",
    56: "FACILITY_USERMODE_VOLMGR",
    57: "FACILITY_BCD",
    58: "FACILITY_USERMODE_VHD",
    60: "FACILITY_SDIAG",
    61: "FACILITY_WEBSERVICES",
    83: "FACILITY_RAS",
    84: "FACILITY_MBN",
}

# Win32 system errors and the RPC range; the higher ranges (DNS, WinSock,
# clustering, ...) are left out so that an unrelated code's low 16 bits are
# not given a misleading name.
CODIGO_MAXIMO = 1999
PREFIXOS_CODIGO = ("ERROR_", "RPC_S_", "RPC_X_", "EPT_S_")

# Families of well-known HRESULTs (prefix match on the name).
FAMILIAS_HRESULT = (
    "S_OK", "S_FALSE", "E_",
    "CO_E_", "CO_S_", "OLE_E_", "OLE_S_", "DV_E_", "DRAGDROP_E_", "DRAGDROP_S_",
    "CLASS_E_", "CLASSFACTORY_E_", "CLASSFACTORY_S_", "MARSHAL_E_", "MARSHAL_S_",
    "DATA_E_", "DATA_S_", "VIEW_E_", "VIEW_S_", "REGDB_E_", "REGDB_S_",
    "CACHE_E_", "CACHE_S_", "OLEOBJ_E_", "OLEOBJ_S_", "CLIENTSITE_E_", "CLIENTSITE_S_",
    "INPLACE_E_", "INPLACE_S_", "ENUM_E_", "ENUM_S_", "CONVERT10_E_", "CONVERT10_S_",
    "CLIPBRD_E_", "CLIPBRD_S_", "MK_E_", "MK_S_",
    "DISP_E_", "TYPE_E_", "STG_E_", "STG_S_", "RPC_E_", "RPC_S_",
    "TRUST_E_", "DIGSIG_E_", "PERSIST_E_", "CERT_E_", "CTL_E_",
)

DEFINE = re.compile(r"^\s*#\s*define\s+([A-Za-z_][A-Za-z0-9_]*)\s+(.+?)\s*$")
COMENTARIO = re.compile(r"/\*.*?\*/|//.*$")
NUMERO = re.compile(r"^(0[xX][0-9A-Fa-f]+|\d+)[uUlL]*$")


def le_defines(caminho):
    """(name, text of the value) of every object-like #define, in file order."""
    defines = []
    with open(caminho, encoding="latin-1") as arquivo:
        for linha in arquivo:
            linha = COMENTARIO.sub("", linha)
            m = DEFINE.match(linha)
            if m and "(" not in m.group(1):
                defines.append((m.group(1), m.group(2).strip()))
    return defines


class Avaliador:
    """Evaluates the few expression forms the headers use for their values."""

    def __init__(self):
        self.valores = {}

    def avalia(self, texto):
        texto = texto.strip()
        while True:
            antes = texto
            # Outer parentheses, casts and the typedef/long wrappers.
            texto = re.sub(r"^\(\s*\((?:HRESULT|SCODE|LONG|DWORD|long)\)\s*(.+)\)$", r"\1", texto)
            texto = re.sub(r"^\((?:HRESULT|SCODE|LONG|DWORD|long)\)\s*", "", texto)
            m = re.match(r"^(?:_HRESULT_TYPEDEF_|__MSABI_LONG|_NDIS_ERROR_TYPEDEF_)\((.*)\)$", texto)
            if m:
                texto = m.group(1).strip()
            if texto.startswith("(") and texto.endswith(")") and self._parenteses_externos(texto):
                texto = texto[1:-1].strip()
            if texto == antes:
                break
        m = NUMERO.match(texto)
        if m:
            return int(m.group(1), 0) & 0xFFFFFFFF
        if re.match(r"^[A-Za-z_][A-Za-z0-9_]*$", texto):
            return self.valores.get(texto)
        m = re.match(r"^(MAKE_HRESULT|MAKE_SCODE)\((.*)\)$", texto)
        if m:
            partes = [self.avalia(p) for p in m.group(2).split(",")]
            if len(partes) == 3 and None not in partes:
                return ((partes[0] & 1) << 31) | ((partes[1] & 0x1FFF) << 16) | (partes[2] & 0xFFFF)
            return None
        m = re.match(r"^HRESULT_FROM_WIN32\((.*)\)$", texto)
        if m:
            codigo = self.avalia(m.group(1))
            if codigo is None:
                return None
            return codigo if codigo == 0 or codigo & 0x80000000 else 0x80070000 | (codigo & 0xFFFF)
        m = re.match(r"^(STD_CTL_SCODE|CUSTOM_CTL_SCODE)\((.*)\)$", texto)
        if m:
            codigo = self.avalia(m.group(2))
            return None if codigo is None else 0x800A0000 | (codigo & 0xFFFF)
        return None

    @staticmethod
    def _parenteses_externos(texto):
        nivel = 0
        for i, c in enumerate(texto):
            nivel += c == "("
            nivel -= c == ")"
            if nivel == 0 and i < len(texto) - 1:
                return False
        return True

    def carrega(self, defines):
        """Values of every define that evaluates, in file order (name -> value)."""
        resultado = []
        for nome, texto in defines:
            valor = self.avalia(texto)
            if valor is not None:
                self.valores.setdefault(nome, valor)
                resultado.append((nome, valor))
        return resultado


def primeiro_por_valor(fontes, aceita, chave):
    """Map key -> first accepted name, over the sources in order."""
    tabela = {}
    for definicoes in fontes:
        for nome, valor in definicoes:
            if not aceita(nome, valor):
                continue
            tabela.setdefault(chave(valor), nome)
    return tabela


def eh_marcador(nome):
    return nome.endswith("_FIRST") or nome.endswith("_LAST")


def escreve_tabela(saida, tipo, nome, linhas, formato):
    saida.write(f"inline constexpr {tipo} {nome}[] = {{\n")
    for chave, texto in linhas:
        saida.write(f"    {{{formato(chave)}, \"{texto}\"}},\n")
    saida.write("};\n\n")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    raiz = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    parser.add_argument("--saida", default=os.path.join(raiz, "src/frame/generated/winerror_tables.inc"))
    parser.add_argument("--mingw", default=MINGW)
    parser.add_argument("--wine", default=WINE)
    parser.add_argument("--olectl", default=OLECTL)
    args = parser.parse_args()

    avaliador = Avaliador()
    mingw = avaliador.carrega(le_defines(args.mingw))
    if os.path.exists(args.wine):
        wine = avaliador.carrega(le_defines(args.wine))
    else:
        print(f"warning: {args.wine} not found; the rows only wine defines are left out", file=sys.stderr)
        wine = []
    olectl = [(n, v) for n, v in avaliador.carrega(le_defines(args.olectl)) if n.startswith("CTL_E_")]
    fontes = [mingw, wine, olectl]

    facilidades = primeiro_por_valor(
        fontes,
        lambda n, v: n.startswith("FACILITY_") and v <= FACILIDADE_MAXIMA and not n.endswith("_BIT"),
        lambda v: v)
    faltavam = 0
    for valor, nome in FACILIDADES_SDK_AUSENTES.items():
        if valor not in facilidades:
            facilidades[valor] = nome
            faltavam += 1

    codigos = primeiro_por_valor(
        fontes,
        lambda n, v: n.startswith(PREFIXOS_CODIGO) and v <= CODIGO_MAXIMO and not eh_marcador(n),
        lambda v: v)

    def hresult_aceito(nome, valor):
        if eh_marcador(nome):
            return False
        if not any(nome == f or (f.endswith("_") and nome.startswith(f)) for f in FAMILIAS_HRESULT):
            return False
        # A name of these families whose value has neither severity nor facility is a
        # plain Win32 code (most RPC_S_ names), not an HRESULT.
        return nome in ("S_OK", "S_FALSE") or valor > 0xFFFF
    hresults = primeiro_por_valor(fontes, hresult_aceito, lambda v: v)

    os.makedirs(os.path.dirname(args.saida), exist_ok=True)
    with open(args.saida, "w", encoding="utf-8") as saida:
        saida.write("// Generated by tools/gen_winerror_tables.py; do not edit by hand.\n")
        saida.write("// Sources: mingw-w64 winerror.h, wine winerror.h (values mingw lacks),\n")
        saida.write("// mingw-w64 olectl.h (CTL_E_ family).\n")
        saida.write(f"// {len(facilidades)} facilities ({faltavam} SDK names no header carries), "
                    f"{len(codigos)} code names, {len(hresults)} HRESULT names.\n\n")
        escreve_tabela(saida, "NomeTabela", "kFacilidadesSdk", sorted(facilidades.items()), str)
        escreve_tabela(saida, "NomeTabela", "kCodigosWin32", sorted(codigos.items()), str)
        escreve_tabela(saida, "NomeTabela", "kHResultsConhecidos", sorted(hresults.items()),
                       lambda v: f"0x{v:08X}u")
    print(f"{args.saida}: {len(facilidades)} facilities, {len(codigos)} codes, {len(hresults)} HRESULTs",
          file=sys.stderr)


if __name__ == "__main__":
    main()

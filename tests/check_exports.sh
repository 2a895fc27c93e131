#!/bin/sh
# The shared library shows its factories and exported classes, and none of its internals.
set -eu
lib="$1"
simbolos="$(nm -D --defined-only -C "$lib")"
falha=0
for esperado in CLServicoImportacaoExtratos_new CLConciliacaoTesourariaBanco_new \
    "CZQDadosDF_Erro::GetTextoMostraMensagem" "CZQBaseParaRotinas::GetAcessoServidores" \
    "typeinfo for CCLServicoImportacaoExtratos" "vtable for CCLConciliacaoTesourariaBancoAutomatizada" \
    "CCLConciliacaoLancaAuto::TesteLancamentoAutomatico" "CCLConciliacaoLancaAuto::ProcessaLancamentoConcAutomatico" \
    "CContabilizaBase::GetCodigoErroContabiliza" "CContabilizaBase::GetModuloErroContabiliza" \
    "CContabilizaBase::SetComplemento" "CCLImportacaoArquivoExtrato::ImportaArquivo"; do
  if ! printf '%s\n' "$simbolos" | grep -qF "$esperado"; then
    echo "missing export: $esperado"
    falha=1
  fi
done
for interno in "zq::MontaLinhaTrace" "zq::Cp1252ParaUtf8" "zq::FormataSeguro" "zq::NomeFacility" \
    "CCLIndiceHistoricos::Prefixos" "CCLConciliacaoLancaAuto::InvalidaCache" "cl_import::LeArquivoExtrato"; do
  if printf '%s\n' "$simbolos" | grep -qF "$interno"; then
    echo "internal name exported: $interno"
    falha=1
  fi
done
[ "$falha" -eq 0 ] && echo "exports: ok"
exit "$falha"

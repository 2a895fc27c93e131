#include "frame/zq_trata_dados.h"

namespace {

// Hands a found inconsistency to the screen's handler, if any.
CZQDadosDF_Erro& Repassa(CZQDadosDF_Erro& erro, IZQTrataInconsistencia* trata) {
  if (trata && erro.TemErro()) trata->TrataInconsistencia(erro);
  return erro;
}

}  // namespace

CZQDadosDF_Erro& CZQTrataDadosBase::OnPreencheGravacao(TZQBaseParaDados*) { return GetErro(); }
CZQDadosDF_Erro& CZQTrataDadosBase::OnTrataGravacao(TZQBaseParaDados*, IZQTrataInconsistencia*) {
  LimpaErro();
  return GetErro();
}
CZQDadosDF_Erro& CZQTrataDadosBase::OnTrataGravacao(TZQBaseParaDados* dados, CZQDadosDF_Erro& erro) {
  erro.SetErro(&OnTrataGravacao(dados, static_cast<IZQTrataInconsistencia*>(nullptr)));
  return erro;
}
CZQDadosDF_Erro& CZQTrataDadosBase::OnTrataExclusao(REG_ZQDMC, IZQTrataInconsistencia*) {
  LimpaErro();
  return GetErro();
}
CZQDadosDF_Erro& CZQTrataDadosBase::OnConsisteGravacao(TZQBaseParaDados*) { return GetErro(); }
CZQDadosDF_Erro& CZQTrataDadosBase::OnConsisteExclusao(TZQBaseParaDados*) { return GetErro(); }
CZQDadosDF_Erro& CZQTrataDadosBase::OnConsisteFiltroBusca(TZQBaseParaDados*) { return GetErro(); }
CZQDadosDF_Erro& CZQTrataDadosBase::AtualizaTipoOperacao(TZQBaseParaDados*) { return GetErro(); }

CZQDadosDF_Erro& CZQTrataDadosBase::TrataGravacao(TZQBaseParaDados* dados, IZQTrataInconsistencia* trata) {
  return Repassa(OnTrataGravacao(dados, trata), trata);
}

int CDFTrataDados::TrataGravacao(TZQBaseParaDados* dados, IZQTrataInconsistencia* trata) {
  return Repassa(OnTrataGravacao(dados, trata), trata).TemErro() ? 0 : 1;
}
int CDFTrataDados::TrataGravacao(TZQBaseParaDados* dados, CZQDadosDF_Erro& erro) {
  return OnTrataGravacao(dados, erro).TemErro() ? 0 : 1;
}
int CDFTrataDados::TrataExclusao(uint32_t posicao, IZQTrataInconsistencia* trata) {
  return TrataExclusao(REG_ZQDMC{0, posicao}, trata);
}
int CDFTrataDados::TrataExclusao(REG_ZQDMC chave, IZQTrataInconsistencia* trata) {
  return Repassa(OnTrataExclusao(chave, trata), trata).TemErro() ? 0 : 1;
}
CZQDadosDF_Erro& CDFTrataDados::OnTrataGravacao(TZQBaseParaDados*, IZQTrataInconsistencia*) {
  LimpaErro();
  return GetErro();
}
CZQDadosDF_Erro& CDFTrataDados::OnTrataGravacao(TZQBaseParaDados* dados, CZQDadosDF_Erro& erro) {
  erro.SetErro(&OnTrataGravacao(dados, static_cast<IZQTrataInconsistencia*>(nullptr)));
  return erro;
}
CZQDadosDF_Erro& CDFTrataDados::OnTrataExclusao(REG_ZQDMC, IZQTrataInconsistencia*) {
  LimpaErro();
  return GetErro();
}
CZQDadosDF_Erro& CDFTrataDados::AtualizaTipoOperacao(TZQBaseParaDados*) { return GetErro(); }

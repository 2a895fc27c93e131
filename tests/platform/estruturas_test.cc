#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "platform/records/zq_dados_conciliacao.h"
#include "platform/records/zq_dados_tesouraria.h"
#include "platform/records/zq_estruturas_integracao.h"

namespace {

// The bytes a record's plain structure holds at an offset.
std::vector<uint8_t> BytesEm(const TZQBaseParaDados& r, size_t deslocamento, size_t largura) {
  const auto* base = static_cast<const uint8_t*>(r.GetPS());
  return std::vector<uint8_t>(base + deslocamento, base + deslocamento + largura);
}

template <typename T>
std::vector<uint8_t> Bytes(T valor) {
  std::vector<uint8_t> b(sizeof(T));
  std::memcpy(b.data(), &valor, sizeof(T));
  return b;
}

struct CasoDeslocamento {
  const char* campo;
  std::function<void(CZQDadosFN_Tesouraria&)> define;
  size_t deslocamento;
  std::vector<uint8_t> esperado;
};

void PrintTo(const CasoDeslocamento& c, std::ostream* os) { *os << c.campo; }

class TesourariaDeslocamentoTest : public ::testing::TestWithParam<CasoDeslocamento> {};

// What the treasury record's setters write lands where the treasury and integration
// servers read it, and nowhere else.
TEST_P(TesourariaDeslocamentoTest, EachFieldLandsAtItsOffset) {
  CZQDadosFN_Tesouraria r;
  GetParam().define(r);
  ASSERT_EQ(r.GetTamanhoPS(), 296u);
  EXPECT_EQ(BytesEm(r, GetParam().deslocamento, GetParam().esperado.size()), GetParam().esperado);

  std::vector<uint8_t> todos = BytesEm(r, 0, 296);
  for (size_t i = 0; i < todos.size(); ++i) {
    bool dentro = i >= GetParam().deslocamento && i < GetParam().deslocamento + GetParam().esperado.size();
    if (!dentro) {
      EXPECT_EQ(todos[i], 0) << "byte " << i;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Campos, TesourariaDeslocamentoTest,
    ::testing::Values(
        CasoDeslocamento{"valor", [](auto& r) { r.SetValor(0x0102030405060708LL); }, 0,
                         Bytes<int64_t>(0x0102030405060708LL)},
        CasoDeslocamento{"data", [](auto& r) { r.SetDataLancamento(0x11223344u); }, 24, Bytes<uint32_t>(0x11223344u)},
        CasoDeslocamento{"emissao", [](auto& r) { r.SetDataEmissao(0x55u); }, 28, Bytes<uint32_t>(0x55u)},
        CasoDeslocamento{"disponivel", [](auto& r) { r.SetDataDisponivel(0x66u); }, 32, Bytes<uint32_t>(0x66u)},
        CasoDeslocamento{"conta entrada", [](auto& r) { r.SetPonteiroContaEnt(0xA1A2A3A4u); }, 56,
                         Bytes<uint32_t>(0xA1A2A3A4u)},
        CasoDeslocamento{"conta saida", [](auto& r) { r.SetPonteiroContaSai(0xB1B2B3B4u); }, 60,
                         Bytes<uint32_t>(0xB1B2B3B4u)},
        CasoDeslocamento{"classificacao", [](auto& r) { r.SetPosClassificacao(77u); }, 64, Bytes<uint32_t>(77u)},
        CasoDeslocamento{"classificacao contabil", [](auto& r) { r.SetPosClassificacaoContabil(78u); }, 68,
                         Bytes<uint32_t>(78u)},
        CasoDeslocamento{"origem", [](auto& r) { r.SetPonteiroOrigem(79u); }, 128, Bytes<uint32_t>(79u)},
        CasoDeslocamento{"conciliacao entrada", [](auto& r) { r.SetNumeroConciliacaoEnt(80u); }, 140,
                         Bytes<uint32_t>(80u)},
        CasoDeslocamento{"conciliacao saida", [](auto& r) { r.SetNumeroConciliacaoSai(81u); }, 144,
                         Bytes<uint32_t>(81u)},
        CasoDeslocamento{"filial", [](auto& r) { r.SetPonteiroFilial(0x0A0Bu); }, 170, Bytes<uint16_t>(0x0A0Bu)},
        CasoDeslocamento{"historico", [](auto& r) { r.SetHistorico(0x0C0Du); }, 176, Bytes<uint16_t>(0x0C0Du)},
        CasoDeslocamento{"contabil", [](auto& r) { r.SetContabil(0x0E0Fu); }, 184, Bytes<uint16_t>(0x0E0Fu)},
        CasoDeslocamento{"transacao", [](auto& r) { r.SetPonteiroTipoDocumentoTransacao(6); }, 186, {6}},
        CasoDeslocamento{"forma de pagamento", [](auto& r) { r.SetPonteiroTipoDocFormaPagamento(9); }, 188, {9}},
        CasoDeslocamento{"marcas", [](auto& r) { r.SetConciliadoEnt('N').SetConciliadoSai('N'); }, 193, {'N', 'N'}},
        CasoDeslocamento{"automatico", [](auto& r) { r.SetConciliadoAuto('S'); }, 199, {'S'}},
        CasoDeslocamento{"posicao", [](auto& r) { r.SetPosicaoReg(0x01020304u); }, 8, Bytes<uint32_t>(0x01020304u)},
        CasoDeslocamento{"documento", [](auto& r) { r.SetDocumento("123"); }, 241, {'1', '2', '3'}}));

TEST(TesourariaDeslocamentoTest, DocumentTextIsCutToItsFiftyFourBytes) {
  CZQDadosFN_Tesouraria r;
  r.SetDocumento(CZQString(std::string(80, '7')));
  EXPECT_EQ(r.GetDocumento(), CZQString(std::string(54, '7')));
  EXPECT_EQ(BytesEm(r, 295, 1), std::vector<uint8_t>{0});
}

TEST(LeiauteDeslocamentoTest, LineCountsLandWhereTheFileReaderTakesThem) {
  CZQDadosCL_Leiaute leiaute;
  leiaute.SetLinhasCabecalho(0x0102).SetLinhasRodape(0x0304).SetDescricao("Importação Online");
  EXPECT_EQ(BytesEm(leiaute, 16, 2), Bytes<uint16_t>(0x0102));
  EXPECT_EQ(BytesEm(leiaute, 18, 2), Bytes<uint16_t>(0x0304));
  RegLeiauteps ps{};
  ASSERT_EQ(leiaute.CopiarParaPS(&ps, sizeof(ps)), S_OK);
  EXPECT_EQ(ps.szDescricao.Get(), CZQString("Importação Online"));
}

struct CasoReferencia {
  uint32_t posicao;
  uint16_t tipo;
  uint32_t chave;
  uint64_t esperado;
};

class ReferenciaOrigemTest : public ::testing::TestWithParam<CasoReferencia> {};

TEST_P(ReferenciaOrigemTest, PacksAndUnpacksTheOrigin) {
  const auto& c = GetParam();
  uint64_t ref = ZQMontaReferenciaOrigem(c.posicao, c.tipo, c.chave);
  EXPECT_EQ(ref, c.esperado);
  EXPECT_EQ(ZQTipoDaReferencia(ref), 2u);
  EXPECT_EQ(ZQTipoOrigemDaReferencia(ref), c.tipo);
  EXPECT_EQ(ZQPosicaoDaReferencia(ref), c.posicao);
  EXPECT_EQ(ZQChaveTabelaDaReferencia(ref), c.chave);
}

INSTANTIATE_TEST_SUITE_P(
    Valores, ReferenciaOrigemTest,
    ::testing::Values(CasoReferencia{0, 0, 0, 2ULL},
                      CasoReferencia{1, 24, 1, 2ULL + (24ULL << 2) + (1ULL << 14) + (1ULL << 46)},
                      CasoReferencia{0xFFFFFFFFu, 24, 0, 2ULL + (24ULL << 2) + (0xFFFFFFFFULL << 14)},
                      CasoReferencia{0, 0xFFF, 0x3FFFF, 2ULL + (0xFFFULL << 2) + (0x3FFFFULL << 46)},
                      CasoReferencia{123456, 24, 65535, 2ULL + (24ULL << 2) + (123456ULL << 14) + (65535ULL << 46)}));

TEST(ChaveOrigemTest, TheLowByteIsTheOriginTypeAndTheRestThePosition) {
  ChaveOrigem chave = ZQMontaChaveOrigem(0x123456u, 0x0BCD);
  uint8_t bytes[6];
  std::memcpy(bytes, &chave, sizeof(bytes));
  EXPECT_EQ(bytes[0], 24);
  EXPECT_EQ(chave.lPosicaoTipo, 0x12345618u);
  EXPECT_EQ(chave.iChaveTabela, 0x0BCD);
  uint64_t ref = ZQReferenciaOrigemDaChave(chave);
  EXPECT_EQ(ZQPosicaoDaReferencia(ref), 0x123456u);
  EXPECT_EQ(ZQTipoOrigemDaReferencia(ref), 24);
  EXPECT_EQ(ZQChaveTabelaDaReferencia(ref), 0x0BCDu);
  // The six-byte origin keeps 24 bits of position: higher bits are lost.
  EXPECT_EQ(ZQPosicaoDaChaveOrigem(ZQMontaChaveOrigem(0xAB123456u, 1)), 0x123456u);
}

}  // namespace

#include "frame/zq_data.h"

#include <string>

#include "frame/zq_relogio.h"

namespace {

// Serial of 1 January 1970, the epoch the calendar conversion below counts from.
constexpr int64_t kSerial1970 = 44562;

int AnoDoisDigitos(int ano) {
  if (ano >= 0 && ano < 100) return ano < 84 ? 2000 + ano : 1900 + ano;
  return ano;
}

// Day, month and year of a count of days since 1 January 1970 in the proleptic
// Gregorian calendar (eras of 400 years, years starting in March).
void CivilDeDias(int64_t dias, int& dia, int& mes, int& ano) {
  dias += 719468;
  const int64_t era = (dias >= 0 ? dias : dias - 146096) / 146097;
  const int64_t diaEra = dias - era * 146097;
  const int64_t anoEra = (diaEra - diaEra / 1460 + diaEra / 36524 - diaEra / 146096) / 365;
  const int64_t diaAno = diaEra - (365 * anoEra + anoEra / 4 - anoEra / 100);
  const int64_t mp = (5 * diaAno + 2) / 153;
  dia = static_cast<int>(diaAno - (153 * mp + 2) / 5 + 1);
  mes = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  ano = static_cast<int>(anoEra + era * 400 + (mes <= 2 ? 1 : 0));
}

void AnexaDoisDigitos(std::string& s, int n) {
  s += static_cast<char>('0' + (n / 10) % 10);
  s += static_cast<char>('0' + n % 10);
}

}  // namespace

CZQDma::CZQDma(int dia, int mes, int ano) {
  ano = AnoDoisDigitos(ano);
  if (dia <= 0 || mes < 1 || mes > 12 || ano < ZQ_ANO_MINIMO || ano > ZQ_ANO_MAXIMO) return;
  const int ultimo = DiasNoMes(mes, ano);
  if (dia > ultimo) dia = ultimo;
  m_dma = static_cast<REG_ZQDMA>(Serial(dia, mes, ano));
}

int CZQDma::DiasNoMes(int mes, int ano) {
  static constexpr int kDias[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (mes < 1 || mes > 12) return 0;
  return (mes == 2 && EhBissexto(ano)) ? 29 : kDias[mes - 1];
}

void CZQDma::GetDiaMesAno(int& dia, int& mes, int& ano) const {
  if (!EhValida()) {
    dia = mes = ano = 0;
    return;
  }
  CivilDeDias(static_cast<int64_t>(m_dma) - kSerial1970, dia, mes, ano);
}

int CZQDma::GetDia() const {
  int d, m, a;
  GetDiaMesAno(d, m, a);
  return d;
}

int CZQDma::GetMes() const {
  int d, m, a;
  GetDiaMesAno(d, m, a);
  return m;
}

int CZQDma::GetAno() const {
  int d, m, a;
  GetDiaMesAno(d, m, a);
  return a;
}

int CZQDma::GetDiaSemana() const { return EhValida() ? static_cast<int>((m_dma + 4) % 7 + 1) : 0; }

CZQDma CZQDma::Hoje() { return zq::Hoje(); }

CZQDma CZQDma::SomaData(const CZQDma& data, int unidade, int64_t quantidade) {
  if (!data.EhValida()) return CZQDma();
  // Counts beyond these cannot land inside the valid range; clamping keeps the
  // arithmetic below free of overflow.
  constexpr int64_t kLimite = int64_t{1} << 40;
  if (quantidade > kLimite || quantidade < -kLimite) return CZQDma();

  switch (unidade) {
    case ZQ_UNIDADE_DIAS: {
      const int64_t serial = static_cast<int64_t>(data.m_dma) + quantidade;
      if (serial < ZQ_DMA_MINIMA || serial > ZQ_DMA_MAXIMA) return CZQDma();
      return CZQDma(static_cast<REG_ZQDMA>(serial));
    }
    case ZQ_UNIDADE_MESES:
    case ZQ_UNIDADE_ANOS: {
      int dia, mes, ano;
      data.GetDiaMesAno(dia, mes, ano);
      const int64_t meses = unidade == ZQ_UNIDADE_ANOS ? quantidade * 12 : quantidade;
      const int64_t indice = int64_t{ano} * 12 + (mes - 1) + meses;
      const int64_t novoAno = indice / 12;
      // Checked here: the constructor would read a year below 100 as a two-digit year.
      if (novoAno < ZQ_ANO_MINIMO || novoAno > ZQ_ANO_MAXIMO) return CZQDma();
      return CZQDma(dia, static_cast<int>(indice % 12) + 1, static_cast<int>(novoAno));
    }
    default:
      return CZQDma();
  }
}

CZQDma CZQDma::SubtraiData(const CZQDma& data, int unidade, int64_t quantidade) {
  return SomaData(data, unidade, -quantidade);
}

void CZQDma::FormataData(const CZQDma& data, CZQString& texto, int formato, const char* separador,
                         bool anoQuatroDigitos) {
  texto.Empty();
  int dia, mes, ano;
  data.GetDiaMesAno(dia, mes, ano);
  if (ano == 0) return;
  const std::string sep = separador ? separador : "";
  std::string s;
  switch (formato) {
    case ZQ_FORMATO_DDMMAA:
      AnexaDoisDigitos(s, dia);
      s += sep;
      AnexaDoisDigitos(s, mes);
      s += sep;
      if (anoQuatroDigitos && (ano < 1984 || ano > 2083)) {
        s += std::to_string(ano);
      } else {
        AnexaDoisDigitos(s, ano % 100);
      }
      break;
    case ZQ_FORMATO_AAAAMMDD:
      s += std::to_string(ano);
      s += sep;
      AnexaDoisDigitos(s, mes);
      s += sep;
      AnexaDoisDigitos(s, dia);
      break;
    default:
      return;
  }
  texto = CZQString(std::move(s));
}

CZQString CZQDma::FormataData(const CZQDma& data, int formato, const char* separador, bool anoQuatroDigitos) {
  CZQString texto;
  FormataData(data, texto, formato, separador, anoQuatroDigitos);
  return texto;
}

CZQMa::CZQMa(const CZQDma& data) {
  int dia, mes, ano;
  data.GetDiaMesAno(dia, mes, ano);
  if (ano != 0) m_ma = static_cast<uint16_t>(mes + (ano - ZQ_ANO_MINIMO) * 12);
}

CZQMa::CZQMa(int mes, int ano) {
  ano = AnoDoisDigitos(ano);
  if (mes < 1 || mes > 12 || ano < ZQ_ANO_MINIMO || ano > ZQ_ANO_MAXIMO) return;
  m_ma = static_cast<uint16_t>(mes + (ano - ZQ_ANO_MINIMO) * 12);
}

int CZQMa::GetMes() const { return m_ma == 0 ? 0 : (m_ma - 1) % 12 + 1; }

int CZQMa::GetAno() const { return m_ma == 0 ? 0 : (m_ma - 1) / 12 + ZQ_ANO_MINIMO; }

CZQDma CZQMa::GetPrimeiroDia() const { return m_ma == 0 ? CZQDma() : CZQDma(1, GetMes(), GetAno()); }

CZQDma CZQMa::GetUltimoDia() const { return m_ma == 0 ? CZQDma() : CZQDma(31, GetMes(), GetAno()); }

#pragma once

#include <compare>
#include <cstdint>

#include "frame/cl_export.h"
#include "frame/zq_string.h"
#include "frame/zq_tipos.h"

// Limits of the day serial: 2 is 1 January 1848, 1,048,247 is 31 December 4717.
inline constexpr REG_ZQDMA ZQ_DMA_VAZIA = 0;
inline constexpr REG_ZQDMA ZQ_DMA_MINIMA = 2;
inline constexpr REG_ZQDMA ZQ_DMA_MAXIMA = 1048247;
inline constexpr int ZQ_ANO_MINIMO = 1848;
inline constexpr int ZQ_ANO_MAXIMO = 4717;

// Units of SomaData / SubtraiData.
inline constexpr int ZQ_UNIDADE_DIAS = 0;
inline constexpr int ZQ_UNIDADE_MESES = 1;
inline constexpr int ZQ_UNIDADE_ANOS = 2;

// Formats of FormataData.
inline constexpr int ZQ_FORMATO_DDMMAA = 0;    // "15/03/24" (day, month, two-digit year)
inline constexpr int ZQ_FORMATO_AAAAMMDD = 5;  // "2024-03-15"

// A date: a day serial, 0 is empty. Plain value.
//
// Built implicitly from a serial (so comparisons with raw REG_ZQDMA values work);
// the serial comes back through GetDma(). Comparison is by serial, so the empty
// date is earlier than every date.
class CL_EXPORT CZQDma {
 public:
  constexpr CZQDma() = default;
  constexpr CZQDma(REG_ZQDMA serial) : m_dma(serial) {}  // NOLINT: implicit on purpose

  // From day, month and year. A year below 100 is 2000 + year below 84 and
  // 1900 + year from 84 on. The date is empty unless the day is not 0, the month is
  // 1 to 12 and the year 1848 to 4717. A day past the month's end is cut to it.
  CZQDma(int dia, int mes, int ano);

  constexpr REG_ZQDMA GetDma() const { return m_dma; }
  constexpr bool EhVazia() const { return m_dma == ZQ_DMA_VAZIA; }
  constexpr bool EhValida() const { return EhValida(m_dma); }
  static constexpr bool EhValida(REG_ZQDMA serial) { return serial >= ZQ_DMA_MINIMA && serial <= ZQ_DMA_MAXIMA; }

  // Day, month and year of the date; 0, 0, 0 for an invalid serial.
  void GetDiaMesAno(int& dia, int& mes, int& ano) const;
  int GetDia() const;
  int GetMes() const;
  int GetAno() const;

  // 1 is Sunday ... 7 is Saturday; 0 for an invalid date.
  int GetDiaSemana() const;

  // Serial of an existing calendar day (no validation, no year mapping).
  static constexpr int64_t Serial(int dia, int mes, int ano);
  static constexpr bool EhBissexto(int ano) { return (ano % 4 == 0 && ano % 100 != 0) || ano % 400 == 0; }
  static int DiasNoMes(int mes, int ano);  // 0 for a month outside 1 to 12

  // Today's local calendar date, from the current clock (zq_relogio.h).
  static CZQDma Hoje();

  // Unit 0 adds days (a result outside 2 to 1,048,247 is empty); unit 1 months and
  // unit 2 years, keeping the day where the target month has it and cutting it to the
  // month's end otherwise (29 February -> 28 February). An empty or invalid date, an
  // unknown unit or a result outside the valid years give the empty date.
  static CZQDma SomaData(const CZQDma& data, int unidade, int64_t quantidade);
  static CZQDma SubtraiData(const CZQDma& data, int unidade, int64_t quantidade);
  CZQDma SomaDias(int64_t dias) const { return SomaData(*this, ZQ_UNIDADE_DIAS, dias); }
  CZQDma SubtraiDias(int64_t dias) const { return SubtraiData(*this, ZQ_UNIDADE_DIAS, dias); }
  CZQDma SomaMeses(int64_t meses) const { return SomaData(*this, ZQ_UNIDADE_MESES, meses); }
  CZQDma SomaAnos(int64_t anos) const { return SomaData(*this, ZQ_UNIDADE_ANOS, anos); }

  // Format 0: day, separator, month, separator, two-digit year, each two digits wide;
  // with `anoQuatroDigitos` set, a year outside 1984 to 2083 (which two digits could
  // not bring back) is written with four digits. Format 5: four-digit year, month,
  // day. An invalid date or another format gives an empty text.
  static void FormataData(const CZQDma& data, CZQString& texto, int formato, const char* separador = "/",
                          bool anoQuatroDigitos = false);
  static CZQString FormataData(const CZQDma& data, int formato, const char* separador = "/",
                               bool anoQuatroDigitos = false);

  friend constexpr bool operator==(const CZQDma&, const CZQDma&) = default;
  friend constexpr std::strong_ordering operator<=>(const CZQDma&, const CZQDma&) = default;

 private:
  REG_ZQDMA m_dma = ZQ_DMA_VAZIA;
};

constexpr int64_t CZQDma::Serial(int dia, int mes, int ano) {
  constexpr int antes[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
  const int64_t a = ano;
  int64_t serial = (a - 1848) * 365 + antes[mes - 1] + dia + a / 4 - a / 100 + a / 400 - 446;
  if (EhBissexto(ano) && mes <= 2) --serial;
  return serial;
}

// A month: month + (year - 1848) * 12, 0 is empty. Plain value.
class CL_EXPORT CZQMa {
 public:
  constexpr CZQMa() = default;
  explicit constexpr CZQMa(uint16_t indice) : m_ma(indice) {}
  // Month and year of a date; empty for an invalid date.
  explicit CZQMa(const CZQDma& data);
  // Empty unless month is 1 to 12 and year 1848 to 4717 (a year below 100 maps as in CZQDma).
  CZQMa(int mes, int ano);

  constexpr uint16_t GetMa() const { return m_ma; }
  constexpr bool EhVazio() const { return m_ma == 0; }
  int GetMes() const;  // 0 when empty
  int GetAno() const;  // 0 when empty
  CZQDma GetPrimeiroDia() const;
  CZQDma GetUltimoDia() const;

  friend constexpr bool operator==(const CZQMa&, const CZQMa&) = default;
  friend constexpr std::strong_ordering operator<=>(const CZQMa&, const CZQMa&) = default;

 private:
  uint16_t m_ma = 0;
};

// Times of day and time stamps.
namespace zq {

inline constexpr int32_t SEGUNDOS_DIA = 86400;

// Seconds since midnight; a count whose absolute value is 86,400 or more becomes 0.
constexpr REG_ZQHMS NormalizaHms(int64_t segundos) {
  return (segundos >= SEGUNDOS_DIA || segundos <= -SEGUNDOS_DIA) ? 0 : static_cast<REG_ZQHMS>(segundos);
}
constexpr REG_ZQHMS MontaHms(int horas, int minutos, int segundos) {
  return NormalizaHms(int64_t{horas} * 3600 + int64_t{minutos} * 60 + segundos);
}
// Hours, minutes and seconds of a non-negative time of day (a negative one gives its
// absolute parts, negated).
constexpr void DesmontaHms(REG_ZQHMS hms, int& horas, int& minutos, int& segundos) {
  horas = hms / 3600;
  minutos = (hms / 60) % 60;
  segundos = hms % 60;
}

// Time stamp: low 38 bits a signed count of seconds (day serial * 86,400 + time of
// day), upper 26 bits the UTC offset part (0 for local stamps).
inline constexpr int BITS_SEGUNDOS_DMAHMS = 38;
inline constexpr uint64_t MASCARA_SEGUNDOS_DMAHMS = (uint64_t{1} << BITS_SEGUNDOS_DMAHMS) - 1;

constexpr REG_ZQDMAHMSUTC MontaDmaHmsUtc(int64_t segundos, uint32_t parteUtc) {
  const uint64_t bits = (static_cast<uint64_t>(segundos) & MASCARA_SEGUNDOS_DMAHMS) |
                        (static_cast<uint64_t>(parteUtc & 0x3FFFFFFu) << BITS_SEGUNDOS_DMAHMS);
  return static_cast<REG_ZQDMAHMSUTC>(bits);
}
// Local stamp (no offset) from a date and a time of day.
constexpr REG_ZQDMAHMSUTC MontaDmaHms(REG_ZQDMA dma, REG_ZQHMS hms) {
  return MontaDmaHmsUtc(int64_t{dma} * SEGUNDOS_DIA + hms, 0);
}
// The signed 38-bit count of seconds.
constexpr int64_t SegundosDmaHms(REG_ZQDMAHMSUTC stamp) {
  const uint64_t bits = static_cast<uint64_t>(stamp) & MASCARA_SEGUNDOS_DMAHMS;
  const uint64_t sinal = uint64_t{1} << (BITS_SEGUNDOS_DMAHMS - 1);
  return static_cast<int64_t>(bits ^ sinal) - static_cast<int64_t>(sinal);
}
constexpr uint32_t ParteUtcDmaHms(REG_ZQDMAHMSUTC stamp) {
  return static_cast<uint32_t>(static_cast<uint64_t>(stamp) >> BITS_SEGUNDOS_DMAHMS);
}
// Date part: seconds / 86,400, empty when outside the valid range.
constexpr REG_ZQDMA DmaDeDmaHms(REG_ZQDMAHMSUTC stamp) {
  const int64_t dias = SegundosDmaHms(stamp) / SEGUNDOS_DIA;
  return (dias >= ZQ_DMA_MINIMA && dias <= ZQ_DMA_MAXIMA) ? static_cast<REG_ZQDMA>(dias) : ZQ_DMA_VAZIA;
}
// Time part: seconds mod 86,400.
constexpr REG_ZQHMS HmsDeDmaHms(REG_ZQDMAHMSUTC stamp) {
  return static_cast<REG_ZQHMS>(SegundosDmaHms(stamp) % SEGUNDOS_DIA);
}

}  // namespace zq

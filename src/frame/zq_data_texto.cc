#include "frame/zq_data_texto.h"

#include <cstdio>

namespace {

bool Digitos(const std::string& texto, size_t inicio, size_t quantos, int& valor) {
  if (inicio + quantos > texto.size()) return false;
  valor = 0;
  for (size_t i = inicio; i < inicio + quantos; ++i) {
    if (texto[i] < '0' || texto[i] > '9') return false;
    valor = valor * 10 + (texto[i] - '0');
  }
  return true;
}

}  // namespace

bool ZQLeDataTexto(const std::string& texto, REG_ZQDMA& data) {
  if (texto.empty()) {
    data = 0;
    return true;
  }
  int dia = 0, mes = 0, ano = 0;
  if (texto.size() != 10 || texto[2] != '/' || texto[5] != '/' || !Digitos(texto, 0, 2, dia) ||
      !Digitos(texto, 3, 2, mes) || !Digitos(texto, 6, 4, ano)) {
    return false;
  }
  if (ano < ZQ_ANO_MINIMO || ano > ZQ_ANO_MAXIMO || mes < 1 || mes > 12 || dia < 1 ||
      dia > CZQDma::DiasNoMes(mes, ano)) {
    return false;
  }
  data = CZQDma(dia, mes, ano).GetDma();
  return data != 0;
}

bool ZQLeMesTexto(const std::string& texto, uint16_t& mes) {
  if (texto.empty()) {
    mes = 0;
    return true;
  }
  int m = 0, ano = 0;
  if (texto.size() != 7 || texto[2] != '/' || !Digitos(texto, 0, 2, m) || !Digitos(texto, 3, 4, ano)) return false;
  if (ano < ZQ_ANO_MINIMO || ano > ZQ_ANO_MAXIMO || m < 1 || m > 12) return false;
  mes = CZQMa(m, ano).GetMa();
  return mes != 0;
}

bool ZQLeHoraTexto(const std::string& texto, REG_ZQHMS& hms) {
  int h = 0, m = 0, s = 0;
  if (texto.size() != 8 || texto[2] != ':' || texto[5] != ':' || !Digitos(texto, 0, 2, h) || !Digitos(texto, 3, 2, m) ||
      !Digitos(texto, 6, 2, s)) {
    return false;
  }
  if (h > 23 || m > 59 || s > 59) return false;
  hms = h * 3600 + m * 60 + s;
  return true;
}

std::string ZQDataTexto(REG_ZQDMA data) {
  if (!CZQDma::EhValida(data)) return {};
  int dia = 0, mes = 0, ano = 0;
  CZQDma(data).GetDiaMesAno(dia, mes, ano);
  char texto[16];
  std::snprintf(texto, sizeof texto, "%02d/%02d/%04d", dia, mes, ano);
  return texto;
}

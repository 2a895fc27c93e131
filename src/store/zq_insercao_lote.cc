#include "store/zq_insercao_lote.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "store/zq_soci.h"

namespace {

// SQLite builds before 3.32 accept 999 parameters to a statement; PostgreSQL 65535.
// Below both, so one text serves either database.
constexpr std::size_t kMaxParametros = 900;

}  // namespace

CZQInsercaoEmLote::CZQInsercaoEmLote(soci::session& sessao, std::string comeco, std::string linha, std::string fim)
    : m_sessao(sessao), m_comeco(std::move(comeco)), m_linha(std::move(linha)), m_fim(std::move(fim)) {
  m_valoresPorLinha = static_cast<std::size_t>(std::count(m_linha.begin(), m_linha.end(), '?'));
  if (m_valoresPorLinha == 0) throw std::invalid_argument("linha de inserção sem valores: " + m_linha);
  m_linhasPorComando = std::max<std::size_t>(1, kMaxParametros / m_valoresPorLinha);
  m_valores.reserve(m_linhasPorComando * m_valoresPorLinha);
}

CZQInsercaoEmLote& CZQInsercaoEmLote::operator<<(long long valor) {
  m_valores.emplace_back(valor);
  return *this;
}

CZQInsercaoEmLote& CZQInsercaoEmLote::operator<<(std::string valor) {
  m_valores.emplace_back(std::move(valor));
  return *this;
}

void CZQInsercaoEmLote::FimLinha() {
  // A row with a value too few or too many would shift every row after it.
  if (m_valores.size() != (m_linhas + 1) * m_valoresPorLinha) {
    throw std::logic_error("linha de inserção com " + std::to_string(m_valores.size() - m_linhas * m_valoresPorLinha) +
                           " valores, esperados " + std::to_string(m_valoresPorLinha));
  }
  if (++m_linhas == m_linhasPorComando) Envia();
}

std::string CZQInsercaoEmLote::Texto(std::size_t linhas) const {
  std::string texto = m_comeco;
  texto.reserve(m_comeco.size() + linhas * (m_linha.size() + m_valoresPorLinha * 4 + 2) + m_fim.size());
  // SQLite looks each named parameter up among the ones before it, which costs the
  // square of their number at every statement; its bare `?` costs nothing. SOCI turns
  // names into PostgreSQL's numbered parameters, and needs them there.
  const bool sqlite = m_sessao.get_backend_name() == "sqlite3";
  std::size_t n = 0;
  for (std::size_t l = 0; l < linhas; ++l) {
    texto += l ? ", " : " ";
    for (const char c : m_linha) {
      if (c != '?') {
        texto += c;
      } else if (sqlite) {
        texto += '?';
      } else {
        texto += ":v" + std::to_string(n++);
      }
    }
  }
  if (!m_fim.empty()) texto += " " + m_fim;
  return texto;
}

void CZQInsercaoEmLote::Envia() {
  if (m_linhas == 0) return;
  const bool cheio = m_linhas == m_linhasPorComando;
  if (cheio && m_textoCheio.empty()) m_textoCheio = Texto(m_linhas);
  // The values stay where they are until the statement has run: it binds to them.
  soci::statement st(m_sessao);
  for (auto& v : m_valores) {
    std::visit([&](auto& x) { st.exchange(soci::use(x)); }, v);
  }
  st.alloc();
  // Sent once with its values: on a server, preparing it apart would cost a round trip
  // of its own, and the text differs with the number of rows.
  st.prepare(cheio ? m_textoCheio : Texto(m_linhas), soci::details::st_one_time_query);
  st.define_and_bind();
  st.execute(true);
  m_linhas = 0;
  m_valores.clear();
}

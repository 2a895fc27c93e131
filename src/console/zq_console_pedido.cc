#include "console/zq_console_pedido.h"

#include "console/zq_console_texto.h"
#include "frame/zq_data_texto.h"

namespace zq_console {

bool Api(const httplib::Request& req) { return req.path.rfind("/api/", 0) == 0; }

void Html(httplib::Response& res, const std::string& corpo, int status) {
  res.status = status;
  res.set_content(corpo, "text/html; charset=utf-8");
}

void Json(httplib::Response& res, const std::string& corpo, int status) {
  res.status = status;
  res.set_content(corpo, "application/json");
}

// A value of the query or form: absent is empty; too long is refused.
std::string Parametro(const httplib::Request& req, const char* nome) {
  if (req.get_param_value_count(nome) > 1) throw Recusa{400, std::string("\"") + nome + "\" repetido"};
  std::string v = req.get_param_value(nome);
  if (v.size() > kMaximoParametro) throw Recusa{400, std::string("\"") + nome + "\" longo demais"};
  return v;
}

uint32_t Numero(const std::string& texto, const char* nome, uint64_t maximo) {
  uint64_t v = 0;
  if (!ZQConsoleLeNumero(texto, maximo, v)) throw Recusa{400, std::string("\"") + nome + "\" não é um número válido"};
  return static_cast<uint32_t>(v);
}

REG_ZQDMA Data(const std::string& texto, const char* nome, REG_ZQDMA padrao) {
  if (texto.empty()) return padrao;
  REG_ZQDMA d = 0;
  if (!ZQLeDataTexto(texto, d) || d == 0)
    throw Recusa{400, std::string("\"") + nome + "\" não é uma data DD/MM/AAAA válida"};
  return d;
}

nlohmann::json CorpoJson(const httplib::Request& req) {
  nlohmann::json corpo = nlohmann::json::parse(req.body, nullptr, false);
  if (corpo.is_discarded() || !corpo.is_object()) throw Recusa{400, "o corpo deve ser um objeto JSON"};
  return corpo;
}

Campos CamposForm(const httplib::Request& req) {
  return [&req](const char* nome) { return Parametro(req, nome); };
}

Campos CamposJson(const nlohmann::json& corpo) {
  return [&corpo](const char* nome) -> std::string {
    const auto it = corpo.find(nome);
    if (it == corpo.end() || it->is_null() || (it->is_boolean() && !it->get<bool>())) return "";
    if (it->is_boolean()) return "1";
    if (it->is_number_unsigned()) return std::to_string(it->get<uint64_t>());
    if (it->is_string() && it->get_ref<const std::string&>().size() <= kMaximoParametro) return it->get<std::string>();
    throw Recusa{400, std::string("\"") + nome + "\" inválido"};
  };
}

uint32_t NumeroObrigatorio(const Campos& campos, const char* nome, uint64_t maximo, uint64_t minimo) {
  const std::string texto = campos(nome);
  if (texto.empty()) throw Recusa{400, std::string("falta \"") + nome + "\""};
  const uint32_t v = Numero(texto, nome, maximo);
  if (v < minimo)
    throw Recusa{
        400, std::string("\"") + nome + "\" deve ser de " + std::to_string(minimo) + " a " + std::to_string(maximo)};
  return v;
}

uint32_t NumeroOpcional(const Campos& campos, const char* nome, uint64_t maximo) {
  const std::string texto = campos(nome);
  return texto.empty() ? 0 : Numero(texto, nome, maximo);
}

std::string Volta(const httplib::Request& req, uint32_t conta, uint32_t filial) {
  const std::string base = "/accounts/" + std::to_string(conta);
  std::string origem = req.get_header_value("Referer");
  if (const std::size_t esquema = origem.find("://"); esquema != std::string::npos) {
    const std::size_t caminho = origem.find('/', esquema + 3);
    origem = caminho == std::string::npos ? "" : origem.substr(caminho);
  }
  const bool daConta = origem.rfind(base, 0) == 0 &&
                       (origem.size() == base.size() || origem[base.size()] == '?' || origem[base.size()] == '/');
  if (daConta && origem.size() < 1000 && origem.find_first_of("\r\n") == std::string::npos) return origem;
  return base + "?branch=" + std::to_string(filial);
}

}  // namespace zq_console

// PostgreSQL links: connecting, the per-link statement cache, statements and scripts.
#include "db/postgres_link.h"

#include <poll.h>

#include <memory>

#include "core/convert.h"
#include "db/postgres_dialect.h"
#include "db/postgres_value.h"
#include "ravochat/error.h"

namespace ravochat::db {
namespace {

// Statements built with numbers in their text would grow the cache without end; past this
// many it starts again.
constexpr std::size_t kMaxCachedStatements = 256;

// now() is bound as a timestamp without time zone, the type of the date columns (pg_type 1114).
constexpr Oid kTimestampType = 1114;

using Result = std::unique_ptr<PGresult, decltype(&PQclear)>;

std::string FirstLine(const char* text) {
  std::string line = text ? text : "";
  line = line.substr(0, line.find('\n'));
  while (!line.empty() && (line.back() == ' ' || line.back() == '\r')) line.pop_back();
  return line;
}

// libpq's reason without the server address it begins with, which the caller names.
std::string ConnectFailure(PGconn* conn) {
  std::string reason = FirstLine(PQerrorMessage(conn));
  if (const auto failed = reason.rfind("failed: "); failed != std::string::npos) {
    reason.erase(0, failed + 8);
  }
  if (reason.starts_with("FATAL:")) reason.erase(0, reason.find_first_not_of(' ', 6));
  const char* host = PQhost(conn);
  const char* port = PQport(conn);
  return "cannot connect to PostgreSQL at " + std::string(host && *host ? host : "localhost") +
         ":" + std::string(port && *port ? port : "5432") + ": " + reason;
}

void IgnoreNotice(void*, const char*) {}

// The key of a prepared statement: the kinds of its values, then its text.
std::string StatementKey(std::string_view sql, const std::vector<Value>& params) {
  std::string key;
  for (const Value& value : params) key.append(std::to_string(PostgresTypeOf(value))).append(",");
  key.append("\n").append(sql);
  return key;
}

Value FieldValue(const PGresult* result, int row, int column) {
  if (PQgetisnull(result, row, column)) return Value::Null();
  const auto length = static_cast<std::size_t>(PQgetlength(result, row, column));
  return FromPostgres(PQftype(result, column),
                      std::string_view(PQgetvalue(result, row, column), length));
}

std::unique_ptr<Recordset::Impl> Rows(const PGresult* result) {
  auto rows = std::make_unique<Recordset::Impl>();
  const int columns = PQnfields(result);
  for (int c = 0; c < columns; ++c) rows->names.emplace_back(PQfname(result, c));
  const int count = PQntuples(result);
  rows->rows.reserve(count);
  for (int r = 0; r < count; ++r) {
    std::vector<Value>& row = rows->rows.emplace_back();
    row.reserve(columns);
    for (int c = 0; c < columns; ++c) row.push_back(FieldValue(result, r, c));
  }
  return rows;
}

}  // namespace

PostgresLink::PostgresLink(const std::string& connstr)
    : conn_(PQconnectdb(connstr.c_str())), clock_(&SystemClock::Instance()) {
  if (conn_ == nullptr) throw DatabaseError("cannot connect to PostgreSQL: out of memory");
  if (PQstatus(conn_) != CONNECTION_OK) {
    std::string message = ConnectFailure(conn_);
    PQfinish(conn_);
    throw DatabaseError(message);
  }
  PQsetNoticeProcessor(conn_, IgnoreNotice, nullptr);
  Result set(PQexec(conn_, "SET datestyle TO ISO, YMD; SET client_encoding TO 'UTF8'"), PQclear);
  if (PQresultStatus(set.get()) != PGRES_COMMAND_OK) {
    std::string message = "cannot set up the PostgreSQL session: " + LastError(set.get());
    PQfinish(conn_);
    throw DatabaseError(message);
  }
}

PostgresLink::~PostgresLink() { PQfinish(conn_); }

bool PostgresLink::Alive() {
  if (PQstatus(conn_) != CONNECTION_OK) return false;
  pollfd idle{PQsocket(conn_), POLLIN, 0};
  return poll(&idle, 1, 0) == 0;
}

std::string PostgresLink::LastError(PGresult* result) const {
  const char* primary = result ? PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY) : nullptr;
  return FirstLine(primary ? primary : PQerrorMessage(conn_));
}

const PostgresLink::Prepared& PostgresLink::Prepare(std::string_view sql,
                                                    const std::vector<Value>& params) {
  std::string key = StatementKey(sql, params);
  if (auto it = statements_.find(key); it != statements_.end()) return it->second;
  PostgresStatement statement = ToPostgres(sql);
  if (statement.values != params.size()) {
    throw DatabaseError(ValueCountFailure(sql, statement.values, params.size()));
  }
  if (statements_.size() >= kMaxCachedStatements) {
    Result(PQexec(conn_, "DEALLOCATE ALL"), PQclear);
    statements_.clear();
  }
  std::vector<Oid> types;
  for (const Value& value : params) types.push_back(PostgresTypeOf(value));
  types.insert(types.end(), statement.nows, kTimestampType);
  Prepared prepared{"s" + std::to_string(++named_), statement.nows};
  Result result(PQprepare(conn_, prepared.name.c_str(), statement.text.c_str(),
                          static_cast<int>(types.size()), types.data()),
                PQclear);
  if (PQresultStatus(result.get()) != PGRES_COMMAND_OK) {
    throw DatabaseError(StatementFailure(sql, LastError(result.get())));
  }
  return statements_.emplace(std::move(key), std::move(prepared)).first->second;
}

std::unique_ptr<Recordset::Impl> PostgresLink::Run(std::string_view sql,
                                                   const std::vector<Value>& params) {
  std::vector<std::optional<std::string>> texts;
  for (std::size_t i = 0; i < params.size(); ++i) {
    texts.push_back(PostgresText(params[i], i + 1, sql));
  }
  const Prepared& prepared = Prepare(sql, params);
  if (prepared.nows > 0) {
    texts.insert(texts.end(), prepared.nows, convert::DateToText(clock_->Now()));
  }
  std::vector<const char*> values;
  values.reserve(texts.size());
  for (const auto& text : texts) values.push_back(text ? text->c_str() : nullptr);
  Result result(PQexecPrepared(conn_, prepared.name.c_str(), static_cast<int>(values.size()),
                               values.data(), nullptr, nullptr, 0),
                PQclear);
  const ExecStatusType status = PQresultStatus(result.get());
  if (status != PGRES_TUPLES_OK && status != PGRES_COMMAND_OK) {
    throw DatabaseError(StatementFailure(sql, LastError(result.get())));
  }
  return Rows(result.get());
}

void PostgresLink::ExecScript(const std::string& script, std::string_view what) {
  // Several statements in one call run as one transaction: all of them or none.
  Result result(PQexec(conn_, script.c_str()), PQclear);
  const ExecStatusType status = PQresultStatus(result.get());
  if (status != PGRES_TUPLES_OK && status != PGRES_COMMAND_OK) {
    throw DatabaseError(StatementFailure(what, LastError(result.get())));
  }
}

}  // namespace ravochat::db

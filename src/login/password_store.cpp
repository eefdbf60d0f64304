// Stored passwords of both kinds: the classic transform checked without the gate, argon2id
// strings made and checked in one of its slots.
#include "login/password_store.h"

#include "core/app_keys.h"
#include "core/convert.h"
#include "core/strings.h"
#include "login/visitor.h"
#include "ravochat/random_token.h"
#include "text/argon2.h"
#include "text/password.h"

namespace ravochat::login {
namespace {

constexpr std::size_t kBytesPerMib = 1024 * 1024;

// Setting `key` as a whole number, or `fallback` when it is no number from 1 to kMaxSetting.
std::uint32_t CostSetting(const Application& app, std::string_view prefix, std::string_view key,
                          std::uint32_t fallback) {
  constexpr double kMaxSetting = 1 << 20;
  const std::string text = app_key::SettingText(app, prefix, key);
  if (!convert::IsNumericText(text)) return fallback;
  const double value = convert::ToDouble(Value(text));
  return value >= 1 && value <= kMaxSetting ? static_cast<std::uint32_t>(value) : fallback;
}

}  // namespace

PasswordCost ChatPasswordCost(const Application& app, std::string_view prefix) {
  const PasswordCost fallback;
  return {CostSetting(app, prefix, app_key::kPasswordMemory, fallback.memory_mib),
          CostSetting(app, prefix, app_key::kPasswordPasses, fallback.passes)};
}

bool PasswordIsBlank(std::string_view typed) {
  return strings::Trim(strings::Left(typed, kPasswordLength)).empty();
}

bool IsClassic(std::string_view stored) { return !text::IsArgon2id(stored); }

PasswordCheck CheckPassword(const std::string& stored, std::string_view typed, HashGate& gate) {
  if (IsClassic(stored)) {
    if (PasswordIsBlank(typed)) return PasswordCheck::kWrong;
    return SameSecret(text::ClassicTransform(strings::Left(typed, kPasswordLength)), stored)
               ? PasswordCheck::kRight
               : PasswordCheck::kWrong;
  }
  bool right = false;
  if (!gate.Run([&] { right = text::Argon2idVerify(stored, typed); })) return PasswordCheck::kBusy;
  return right ? PasswordCheck::kRight : PasswordCheck::kWrong;
}

std::optional<std::string> StorePassword(std::string_view typed, PasswordCost cost,
                                         HashGate& gate) {
  std::string stored;
  const text::Argon2Cost argon2{cost.memory_mib * kBytesPerMib, cost.passes};
  if (!gate.Run([&] { stored = text::Argon2idHash(typed, argon2); })) return std::nullopt;
  return stored;
}

}  // namespace ravochat::login

#include "settings/SettingsForm.h"

#include <algorithm>
#include <charconv>

namespace varnix {
namespace {

using P = SettingsPage;
using K = FieldKind;
constexpr std::uint32_t kTop = SettingsForm::kHighest;

constexpr std::array<SettingsField, kSettingsFields> kFields{{
    {int(Setting::PasvMode), P::Advanced, "Try PASV mode first", K::CheckBox},
    {int(Setting::SendBuffer), P::Advanced, "Send Buffer:", K::Number, 1, kTop, true, true},
    {int(Setting::RecvBuffer), P::Advanced, "Receive buffer:", K::Number, 1, kTop, true, true},
    {int(Setting::KeepAliveIntervalBegin), P::KeepAlive, "Minimum delay before sending a command (secs):",
     K::Number, 0, kTop, true, true},
    {int(Setting::KeepAliveIntervalEnd), P::KeepAlive, "Maximum delay before sending a command (secs):",
     K::Number, 0, kTop, true, true},
    {int(Setting::KeepAliveDuration), P::KeepAlive, "Duration to keep connection alive (mins):", K::Number, 0,
     kTop, true, true},
    {int(Setting::KeepAliveDelay), P::KeepAlive, "Idle time before starting (secs):", K::Number, 0, kTop, true,
     true},
    {int(Setting::KeepAlive), P::KeepAlive, "Enable Keep Alive", K::CheckBox},
    {int(Setting::SendTimeout), P::Persistance, "Send Timeout (secs):", K::Number, 1, kTop, true, true},
    {int(Setting::RecvTimeout), P::Persistance, "Receive Timeout (secs):", K::Number, 1, kTop, true, false},
    {int(Setting::RetryDelay), P::Persistance, "Retry Delay (secs):", K::Number, 0, kTop, false, false},
    {int(Setting::RetryCount), P::Persistance, "Retry Attempts:", K::Number, 0, kTop, false, false},
    {int(Setting::TransferNow), P::General, "Transfer files immediately by default", K::CheckBox},
    {int(Setting::Encryption), P::Advanced, "Encryption:", K::Choice, 0, 3, true, true},
    {int(Setting::Verify), P::General, "Verify copies with the server's hashes", K::CheckBox},
    {int(Setting::SiteToSiteRoute), P::Advanced, "Site to site copies:", K::Choice, 0, 2, true, true},
    {kAnonymousPasswordField, P::General, "Password for anonymous ftp:", K::Text},
}};

constexpr std::array<std::string_view, kSettingsPages> kPageTitles{"General", "Persistance", "Keep Alive",
                                                                   "Advanced"};

const std::vector<std::string_view> kRouteChoices{
    "Server to server, through Varnix when the servers refuse",
    "Server to server only",
    "Always through Varnix",
};

const std::vector<std::string_view> kEncryptionChoices{
    "Plain FTP only",
    "Use explicit TLS if the server offers it",
    "Require explicit TLS",
    "Implicit TLS (FTPS)",
};

std::string_view trimmed(std::string_view text)
{
    auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

// A stored flag outside 0 .. 2 shows unchecked; 1 and 2 both mean "on".
bool flagShownChecked(std::uint32_t value)
{
    return value == 1 || value == 2;
}

} // namespace

const std::array<SettingsField, kSettingsFields>& SettingsForm::fields()
{
    return kFields;
}

// Check boxes lead their page; the other fields follow in the record's order.
std::vector<int> SettingsForm::fieldsOn(SettingsPage page)
{
    std::vector<int> ids;
    for (const SettingsField& f : kFields)
        if (f.page == page && f.kind == FieldKind::CheckBox)
            ids.push_back(f.id);
    for (const SettingsField& f : kFields)
        if (f.page == page && f.kind != FieldKind::CheckBox)
            ids.push_back(f.id);
    return ids;
}

std::string_view SettingsForm::pageTitle(SettingsPage page)
{
    return kPageTitles[static_cast<std::size_t>(page)];
}

std::string SettingsForm::rangeMessage(std::uint32_t low, std::uint32_t high)
{
    return "Please enter an integer between " + std::to_string(low) + " and " + std::to_string(high) + ".";
}

const std::vector<std::string_view>& SettingsForm::choices(int id)
{
    static const std::vector<std::string_view> none;
    if (id == int(Setting::SiteToSiteRoute))
        return kRouteChoices;
    return id == int(Setting::Encryption) ? kEncryptionChoices : none;
}

std::optional<FieldProblem> SettingsForm::readNumber(int id, std::string_view text, std::uint32_t& value)
{
    const SettingsField& f = field(id);
    text = trimmed(text);
    std::uint64_t number = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    bool digits = !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
    bool tooLong = error == std::errc::result_out_of_range;
    if (!digits || (error != std::errc() && !tooLong) || end != text.data() + text.size())
        return FieldProblem{id, std::string(kNotANumber)};
    if (tooLong)
        number = UINT64_MAX;
    if (f.ranged && (number < f.low || number > f.high))
        return FieldProblem{id, rangeMessage(f.low, f.high)};
    // Unranged fields still stop below the unset marker.
    if (number > kHighest)
        return FieldProblem{id, std::string(kNotANumber)};
    value = static_cast<std::uint32_t>(number);
    return std::nullopt;
}

SettingsForm::SettingsForm(const SettingsRecord& record)
{
    for (const SettingsField& f : kFields) {
        if (f.id == kAnonymousPasswordField)
            setText(f.id, record.anonymousPassword());
        else if (f.kind == FieldKind::CheckBox)
            setChecked(f.id, flagShownChecked(record.get(static_cast<Setting>(f.id))));
        else if (f.id == int(Setting::Encryption))
            setText(f.id, std::to_string(std::uint32_t(record.encryptionMode()))); // what the engine will do
        else
            setText(f.id, std::to_string(record.get(static_cast<Setting>(f.id))));
    }
}

std::optional<FieldProblem> SettingsForm::checkField(int id) const
{
    if (field(id).kind != FieldKind::Number && field(id).kind != FieldKind::Choice)
        return std::nullopt;
    std::uint32_t ignored = 0;
    return readNumber(id, text(id), ignored);
}

std::optional<FieldProblem> SettingsForm::check(SettingsPage page) const
{
    for (int id : fieldsOn(page))
        if (auto problem = checkField(id))
            return problem;
    return std::nullopt;
}

std::optional<FieldProblem> SettingsForm::checkAll() const
{
    for (int page = 0; page < kSettingsPages; ++page)
        if (auto problem = check(static_cast<SettingsPage>(page)))
            return problem;
    return std::nullopt;
}

bool SettingsForm::applyTo(SettingsRecord& record) const
{
    if (checkAll())
        return false;
    for (const SettingsField& f : kFields) {
        if (f.id == kAnonymousPasswordField) {
            record.setAnonymousPassword(text(f.id));
            continue;
        }
        std::uint32_t value = checked(f.id) ? 1 : 0;
        if (f.kind == FieldKind::Number || f.kind == FieldKind::Choice)
            readNumber(f.id, text(f.id), value);
        record.set(static_cast<Setting>(f.id), value);
    }
    return true;
}

} // namespace varnix

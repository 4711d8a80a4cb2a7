#pragma once
// What the settings sheet shows and how it reads its fields back.
//
// The form holds one text per setting (check boxes as "0" or "1"), filled
// with a record's effective values, so a site's sheet shows the inherited
// values too. Reading a page checks its fields against the table below;
// only a form whose every field reads can be applied, and applying passes
// each value through the record's set, in the record's order.
//
// No field accepts 4294967295: that is the record's "unset" marker, and it
// must never come from the keyboard.

#include "settings/SettingsRecord.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace varnix {

enum class SettingsPage { General, Persistance, KeepAlive, Advanced };
constexpr int kSettingsPages = 4;

// A Choice holds the index of one of its texts (see choices()).
enum class FieldKind { CheckBox, Text, Number, Choice };

// The sixteen values in the record's order: the fifteen integers by their
// Setting number, then the anonymous password.
constexpr int kSettingsFields = kIntegerSettings + 1;
constexpr int kAnonymousPasswordField = kIntegerSettings;

struct SettingsField {
    int id;
    SettingsPage page;
    std::string_view label;
    FieldKind kind;
    std::uint32_t low = 0;
    std::uint32_t high = 0;
    bool ranged = false;      // outside low .. high gives the range message
    bool digitsOnly = false;  // the control takes no other characters
};

// A field that does not read, with the message to show.
struct FieldProblem {
    int id;
    std::string message;
};

class SettingsForm {
public:
    static constexpr std::uint32_t kHighest = SettingsRecord::kUnset - 1;

    static const std::array<SettingsField, kSettingsFields>& fields();
    static const SettingsField& field(int id) { return fields()[static_cast<std::size_t>(id)]; }
    // The fields of a page, in the order they appear on it.
    static std::vector<int> fieldsOn(SettingsPage page);
    static std::string_view pageTitle(SettingsPage page);
    // A number field's text as a value, or the message that refuses it.
    static std::optional<FieldProblem> readNumber(int id, std::string_view text, std::uint32_t& value);
    static std::string rangeMessage(std::uint32_t low, std::uint32_t high);
    // The texts a Choice field offers, in the order of their values.
    static const std::vector<std::string_view>& choices(int id);
    static constexpr std::string_view kNotANumber = "Please enter a positive integer.";

    explicit SettingsForm(const SettingsRecord& record);

    const std::string& text(int id) const { return texts_[static_cast<std::size_t>(id)]; }
    void setText(int id, std::string text) { texts_[static_cast<std::size_t>(id)] = std::move(text); }
    bool checked(int id) const { return text(id) == "1"; }
    void setChecked(int id, bool on) { setText(id, on ? "1" : "0"); }

    // The first field of the page (or of any page) that does not read.
    std::optional<FieldProblem> check(SettingsPage page) const;
    std::optional<FieldProblem> checkAll() const;
    // Every value through set, in the record's order; false (and the record
    // untouched) while a field does not read.
    bool applyTo(SettingsRecord& record) const;

private:
    std::optional<FieldProblem> checkField(int id) const;
    std::array<std::string, kSettingsFields> texts_;
};

} // namespace varnix

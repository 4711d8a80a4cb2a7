#include "platform/qt/QSettingsProfile.h"

#include "platform/qt/DisplayText.h"

#include <QByteArray>
#include <QSettings>
#include <QString>

#include <cstdlib>

namespace varnix {
namespace {

QString keyOf(std::string_view section, std::string_view name)
{
    return QString::fromUtf8(section.data(), qsizetype(section.size())) + u'/'
         + QString::fromUtf8(name.data(), qsizetype(name.size()));
}

} // namespace

QSettingsProfile::QSettingsProfile()
{
    if (const char* path = std::getenv("VARNIX_PROFILE"); path && *path)
        settings_ = std::make_unique<QSettings>(QString::fromLocal8Bit(path), QSettings::IniFormat);
    else
        settings_ = std::make_unique<QSettings>(QStringLiteral("Tessik"), QStringLiteral("Varnix"));
}

QSettingsProfile::QSettingsProfile(const std::string& path)
    : settings_(std::make_unique<QSettings>(QString::fromLocal8Bit(path.c_str()), QSettings::IniFormat))
{
}

QSettingsProfile::~QSettingsProfile() = default;

std::uint32_t QSettingsProfile::readInt(std::string_view section, std::string_view name, std::uint32_t fallback)
{
    std::lock_guard lock(mutex_);
    QVariant v = settings_->value(keyOf(section, name));
    bool ok = false;
    qulonglong n = v.toULongLong(&ok);
    if (!ok) {
        // Values written as signed (-1 for "unset") read back as such.
        qlonglong s = v.toLongLong(&ok);
        n = qulonglong(s);
    }
    return ok ? std::uint32_t(n) : fallback;
}

void QSettingsProfile::writeInt(std::string_view section, std::string_view name, std::uint32_t value)
{
    std::lock_guard lock(mutex_);
    settings_->setValue(keyOf(section, name), qulonglong(value));
}

std::string QSettingsProfile::readString(std::string_view section, std::string_view name, std::string_view fallback)
{
    std::lock_guard lock(mutex_);
    QVariant v = settings_->value(keyOf(section, name));
    if (!v.isValid())
        return std::string(fallback);
    QByteArray bytes = v.typeId() == QMetaType::QByteArray ? v.toByteArray() : v.toString().toUtf8();
    return bytes.toStdString();
}

void QSettingsProfile::writeString(std::string_view section, std::string_view name, std::string_view value)
{
    std::lock_guard lock(mutex_);
    // Text that is not UTF-8 (a name from a Latin-1 server) is kept as bytes.
    if (isValidUtf8(value))
        settings_->setValue(keyOf(section, name), QString::fromUtf8(value.data(), qsizetype(value.size())));
    else
        settings_->setValue(keyOf(section, name), QByteArray(value.data(), qsizetype(value.size())));
}

void QSettingsProfile::deleteSection(std::string_view section)
{
    std::lock_guard lock(mutex_);
    settings_->remove(QString::fromUtf8(section.data(), qsizetype(section.size())));
}

void QSettingsProfile::flush()
{
    std::lock_guard lock(mutex_);
    settings_->sync();
}

std::string QSettingsProfile::fileName() const
{
    return settings_->fileName().toStdString();
}

} // namespace varnix

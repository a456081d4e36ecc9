#include "ui/desktop/Settings.h"

#include <optional>

#include "platform/Exceptions.h"
#include "platform/FileUtils.h"
#include "ui/desktop/AutoSave.h"

namespace {

const QString Group = QStringLiteral("Settings");

// The on/off settings: one table, so reading and writing use the same names.
struct TBoolSetting {
    const char* Name;
    bool TInstallationSettings::*Member;
};

const TBoolSetting BoolSettings[] = {
    {"ShowInTray", &TInstallationSettings::ShowInTray},
    {"MinimizeToTray", &TInstallationSettings::MinimizeToTray},
    {"CloseToTray", &TInstallationSettings::CloseToTray},
    {"EscMinimizeApp", &TInstallationSettings::EscMinimizeApp},
    {"OneClickEditMode", &TInstallationSettings::OneClickEditMode},
    {"HotKeyActive", &TInstallationSettings::HotKeyActive},
    {"SaveWndPosition", &TInstallationSettings::SaveWndPosition},
};

std::optional<int32_t> ReadInteger(const QSettings& store, const char* name)
{
    const QVariant value = store.value(QLatin1String(name));
    if (!value.isValid())
        return std::nullopt;
    bool ok = false;
    const int number = value.toString().trimmed().toInt(&ok);
    if (!ok)
        return std::nullopt;
    return number;
}

// Booleans are stored as 0 or 1; any other integer counts as true, as a hand-edited "true" or
// "false" does.
std::optional<bool> ReadBool(const QSettings& store, const char* name)
{
    if (const auto number = ReadInteger(store, name))
        return *number != 0;
    const QString text = store.value(QLatin1String(name)).toString().trimmed();
    if (text.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
        return true;
    if (text.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0)
        return false;
    return std::nullopt;
}

std::optional<std::string> ReadString(const QSettings& store, const char* name)
{
    const QVariant value = store.value(QLatin1String(name));
    if (!value.isValid())
        return std::nullopt;
    // An unquoted text with commas, as in a hand-edited file, comes back as a list.
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1Char(',')).toStdString();
    if (!value.canConvert<QString>())
        return std::nullopt;
    return value.toString().toStdString();
}

void ReadBoolInto(const QSettings& store, const char* name, bool& target)
{
    if (const auto value = ReadBool(store, name))
        target = *value;
}

void ReadIntegerInto(const QSettings& store, const char* name, int32_t& target)
{
    if (const auto value = ReadInteger(store, name))
        target = *value;
}

// The placement is read as one block: a value that fails keeps what was read before it and
// marks the whole placement as not stored.
void ReadPlacement(const QSettings& store, TWindowPlacement& placement)
{
    auto integer = [&store](const char* name, int32_t& target) {
        const auto value = ReadInteger(store, name);
        if (value)
            target = *value;
        return value.has_value();
    };
    bool ok = integer("WndPosLeft", placement.Left) && integer("WndPosWidth", placement.Width) &&
              integer("WndPosTop", placement.Top) && integer("WndPosHeight", placement.Height) &&
              integer("WndTreeWidth", placement.TreeWidth);
    if (ok) {
        const auto maximized = ReadBool(store, "WndPosMaximized");
        ok = maximized.has_value();
        if (ok)
            placement.Maximized = *maximized;
    }
    if (!ok)
        placement.Width = -1;
}

void WriteBool(QSettings& store, const char* name, bool value)
{
    store.setValue(QLatin1String(name), value ? 1 : 0);
}

void WriteInteger(QSettings& store, const char* name, int32_t value)
{
    store.setValue(QLatin1String(name), value);
}

void WriteString(QSettings& store, const char* name, const std::string& value)
{
    store.setValue(QLatin1String(name), QString::fromStdString(value));
}

} // namespace

std::unique_ptr<QSettings> OpenInstallationSettings(const std::string& FileName)
{
    if (!FileName.empty())
        return std::make_unique<QSettings>(QString::fromStdString(FileName), QSettings::IniFormat);
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Tovrin"),
                                       QStringLiteral("Tovrin"));
}

bool LoadInstallationSettings(QSettings& Store, TInstallationSettings& Settings)
{
    Store.beginGroup(Group);
    const bool present = !Store.childKeys().isEmpty();
    if (present) {
        for (const auto& [name, member] : BoolSettings)
            ReadBoolInto(Store, name, Settings.*member);

        Settings.AutoSaveMode = ValidAutoSaveMode(ReadInteger(Store, "AutoSaveMode").value_or(asNever));
        ReadPlacement(Store, Settings.Placement);

        const std::string hotKeyChar = HotKeyCharFromText(ReadString(Store, "HotKeyChar").value_or(""));
        if (!hotKeyChar.empty())
            Settings.HotKeyChar = hotKeyChar;
        if (const auto shifts = ReadInteger(Store, "HotKeyShifts"))
            Settings.HotKeyShifts = ValidHotKeyShifts(*shifts);

        if (const auto font = ReadString(Store, "TasksFont"))
            StringToFont(*font, Settings.TasksFont);
        ReadIntegerInto(Store, "TasksColor", Settings.TasksColor);
        if (const auto font = ReadString(Store, "NoteFont"))
            StringToFont(*font, Settings.NoteFont);
        ReadIntegerInto(Store, "NoteColor", Settings.NoteColor);

        // A remembered outline that is gone is forgotten, so the start-up falls back as if none.
        Settings.LastDBFile = ReadString(Store, "LastDBFile").value_or("");
        if (!Settings.LastDBFile.empty() && !FileExists(Settings.LastDBFile))
            Settings.LastDBFile.clear();
    }
    Store.endGroup();
    return present;
}

void SaveInstallationSettings(QSettings& Store, const TInstallationSettings& Settings)
{
    if (!Store.isWritable())
        throw Exception(SettingsSaveError);
    Store.beginGroup(Group);
    for (const auto& [name, member] : BoolSettings)
        WriteBool(Store, name, Settings.*member);
    WriteInteger(Store, "WndPosLeft", Settings.Placement.Left);
    WriteInteger(Store, "WndPosWidth", Settings.Placement.Width);
    WriteInteger(Store, "WndPosTop", Settings.Placement.Top);
    WriteInteger(Store, "WndPosHeight", Settings.Placement.Height);
    WriteInteger(Store, "WndTreeWidth", Settings.Placement.TreeWidth);
    WriteBool(Store, "WndPosMaximized", Settings.Placement.Maximized);
    WriteInteger(Store, "AutoSaveMode", Settings.AutoSaveMode);
    WriteString(Store, "HotKeyChar", HotKeyCharFromText(Settings.HotKeyChar));
    WriteInteger(Store, "HotKeyShifts", Settings.HotKeyShifts);
    WriteString(Store, "TasksFont", FontToString(Settings.TasksFont));
    WriteInteger(Store, "TasksColor", Settings.TasksColor);
    WriteString(Store, "NoteFont", FontToString(Settings.NoteFont));
    WriteInteger(Store, "NoteColor", Settings.NoteColor);
    WriteString(Store, "LastDBFile", Settings.LastDBFile);
    Store.endGroup();
    Store.sync();
    if (Store.status() != QSettings::NoError)
        throw Exception(SettingsSaveError);
}

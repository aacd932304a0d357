// The user's choices that the settings file has no field for, kept per user beside the desktop's
// other settings: $XDG_CONFIG_HOME/vutara/vutara.conf (~/.config by default). The settings file
// "初期設定.ini" keeps its 128 bytes as they are.
#pragma once

#include <QString>

namespace vu {

class Preferences {
public:
    virtual ~Preferences() = default;
    // Deletions go to the desktop's trash (and 元に戻す can bring them back) instead of being final.
    virtual bool useTrash() const = 0;
    // Stores the choice; false when it could not be stored (it still holds for this run).
    virtual bool setUseTrash(bool on) = 0;
    // Where the choices are kept, to name it to the user.
    virtual QString file() const = 0;
};

// The choices in an INI file, by default the user's own.
class DesktopPreferences final : public Preferences {
public:
    explicit DesktopPreferences(const QString& file = defaultFile());
    static QString defaultFile();

    bool useTrash() const override;
    bool setUseTrash(bool on) override;
    QString file() const override { return file_; }

private:
    QString file_;
    bool useTrash_ = false;
};

}  // namespace vu

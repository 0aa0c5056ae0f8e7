#pragma once

#include <QDialog>

class IniFile;

// The about box: version texts, the office's name and telephone.
class tformacerca final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(tformacerca)

public:
    // fileVersion is ReadVersionValue("FileVersion"); imageDir holds "532.jpg" when shipped.
    tformacerca(const IniFile &settings, const QString &fileVersion, const QString &imageDir,
                QWidget *parent = nullptr);
};

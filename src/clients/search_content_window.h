#pragma once

#include <QDialog>

#include <array>
#include <functional>

class Prompter;
class QLabel;
class QLineEdit;
class QPushButton;
class RecordList;

// "Búsqueda por Contenido": finds, in the list's order, the first (then the next) record whose
// name, telephone or tax number contains the typed text, and moves the list there.
class TFormBusCont final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TFormBusCont)

public:
    // currentRow/setCurrentRow read and move the list's current record.
    TFormBusCont(const RecordList &list, std::function<int()> currentRow, std::function<void(int)> setCurrentRow,
                 Prompter &prompter, QWidget *parent = nullptr);

    // "&Primero" and "&Siguiente".
    void findFirst();
    void findNext();

private:
    void edited(int which);
    // The first non-empty edit (name, telephone, tax number) and its text; -1 when all empty.
    std::pair<int, QString> criterion() const;
    void findFrom(int row, const QString &notFound);

    const RecordList &m_list;
    std::function<int()> m_currentRow;
    std::function<void(int)> m_setCurrentRow;
    Prompter &m_prompter;
    std::array<QLineEdit *, 3> m_edits{};
    QPushButton *m_first = nullptr;
    QPushButton *m_next = nullptr;
};

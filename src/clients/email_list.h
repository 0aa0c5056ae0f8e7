#pragma once

#include "clients/record_file.h"

#include <QStringList>

class Prompter;

// The contacts window's list of e-mail addresses, stored in Email1 to Email5 (Email1 the
// default). Rows keep their stored positions, so an empty Email1 with Email3 set loads as three
// rows, the first two empty. The list always holds at least one row.
class EmailList
{
public:
    static constexpr int MaxAddresses = 5;

    // From the record's Email1..Email5: rows up to the last address present; the changed flag
    // is cleared.
    void load(const Record &record);
    // A single empty row (a new contact).
    void clear();

    const QStringList &rows() const { return m_rows; }
    bool changed() const { return m_changed; }

    // "A&ñadir": refuses a sixth address; asks before adding one that fails the validity test.
    // True when the address was added.
    bool add(const QString &address, Prompter &prompter);
    // "&Modif." on a row: asks the new text; asks again when it fails the test. True when the
    // row was replaced.
    bool modify(int row, Prompter &prompter);
    // "&Quitar": asks; a single row is emptied, otherwise the row goes. True when removed.
    bool remove(int row, Prompter &prompter);
    // "&Predeterminada": swaps the row with the first. True when it moved.
    bool makeDefault(int row);

    // Writes the rows into Email1..Email5 when the list changed (emptying the fields after the
    // last row); leaves them alone otherwise.
    void store(Record &record) const;

private:
    QStringList m_rows{QString()};
    bool m_changed = false;
};

// Contains "@" and a "." somewhere from the "@" on.
bool LooksLikeEmailAddress(const QString &address);

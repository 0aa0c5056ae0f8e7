#pragma once

#include "clients/record_file.h"

#include <functional>

class Prompter;

// The changes of a clients or contacts window: add, edit and delete, each begun under its
// record lock with the lock reaction of every maintenance window, and the storing of the
// record being edited. One record at a time; the lock is released on accept, cancel or
// destruction.
class RecordActions
{
public:
    enum class Mode { Idle, Adding, Editing };

    RecordActions(RecordFile &file, Prompter &prompter);
    ~RecordActions();
    RecordActions(const RecordActions &) = delete;
    RecordActions &operator=(const RecordActions &) = delete;

    Mode mode() const { return m_mode; }
    // The number of the record being edited, or the one proposed for the new record.
    int number() const { return m_number; }

    // "&Altas": the last number + 1 is proposed; it is taken for good on accept (the next free
    // one when another program stored that number meanwhile).
    void beginAdd();
    // "&Modif.": takes the record's lock. False when it could not: the lock message was shown,
    // or the record was deleted by another user (`refresh` runs, nothing is shown).
    bool beginEdit(int number, const std::function<void()> &refresh);
    // "&Aceptar": stores the record and returns its number. An edited record that another
    // user deleted meanwhile is stored again as new, and the user is told its number, so
    // nothing typed is lost. Throws AppError (over-long field) with the record still open.
    int accept(Record record);
    // "&Cancelar".
    void cancel();

    // "&Bajas": asks "¿Está seguro de que quiere eliminar el registro seleccionado?" (Yes/No,
    // warning, title "Baja") and deletes under the lock. True when deleted.
    bool remove(int number, const std::function<void()> &refresh);

private:
    void release();

    RecordFile &m_file;
    Prompter &m_prompter;
    Mode m_mode = Mode::Idle;
    int m_number = 0;
    bool m_locked = false;
};

#include "clients/record_actions.h"

#include "core/prompter.h"
#include "store/lock_conflict.h"

RecordActions::RecordActions(RecordFile &file, Prompter &prompter)
    : m_file(file)
    , m_prompter(prompter)
{
}

RecordActions::~RecordActions()
{
    try {
        release();
    } catch (...) {
        // The lock goes with the program's session anyway.
    }
}

void RecordActions::release()
{
    if (m_locked) {
        m_locked = false;
        m_file.locks().unlock(m_file.def().table, RecordFile::LockKey(m_number));
    }
    m_mode = Mode::Idle;
}

void RecordActions::beginAdd()
{
    release();
    m_number = m_file.nextNumber();
    m_mode = Mode::Adding;
}

bool RecordActions::beginEdit(int number, const std::function<void()> &refresh)
{
    release();
    const bool ok = LockConflict(
        m_prompter, LockBeginning::Record,
        [&] {
            m_file.locks().lock(m_file.def().table, RecordFile::LockKey(number), [&] { return m_file.exists(number); });
        },
        refresh, true);
    if (!ok)
        return false;
    m_number = number;
    m_locked = true;
    m_mode = Mode::Editing;
    return true;
}

int RecordActions::accept(Record record)
{
    const QString &key = m_file.def().key;
    int stored = m_number;
    if (m_mode == Mode::Adding) {
        stored = m_file.insert(record, m_number);
    } else if (m_mode == Mode::Editing) {
        record.insert(key, m_number);
        if (!m_file.update(record)) {
            stored = m_file.insert(record, m_number);
            m_prompter.inform(QStringLiteral("Otro usuario había eliminado este registro mientras lo modificaba. "
                                             "Se ha guardado de nuevo con el número %1.")
                                  .arg(stored));
        }
    }
    release();
    m_number = stored;
    return stored;
}

void RecordActions::cancel()
{
    release();
}

bool RecordActions::remove(int number, const std::function<void()> &refresh)
{
    if (m_prompter.message(QStringLiteral("¿Está seguro de que quiere eliminar el registro seleccionado?"),
                           Prompter::Icon::Warning, Prompter::Buttons::YesNo, QStringLiteral("Baja"))
        != Prompter::Answer::Yes) {
        return false;
    }
    const QString table = m_file.def().table;
    const bool locked = LockConflict(
        m_prompter, LockBeginning::Record,
        [&] { m_file.locks().lock(table, RecordFile::LockKey(number), [&] { return m_file.exists(number); }); },
        refresh, true);
    if (!locked)
        return false;
    try {
        m_file.remove(number);
    } catch (...) {
        m_file.locks().unlock(table, RecordFile::LockKey(number));
        throw;
    }
    m_file.locks().unlock(table, RecordFile::LockKey(number));
    return true;
}

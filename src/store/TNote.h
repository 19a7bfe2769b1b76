#pragma once

#include <QString>

// The notes: one per note group, keyed by the group's number (0 for the root).
// The text never enters statement text: it is bound as a parameter.
class TNote
{
public:
    bool HasNote(const QString& typeId);
    // Reads the group's note into TypeID and ReMark (a null text reads as empty).
    void LoadNote(const QString& typeId);
    // Whether the group has a note; if so, its text into `text` (a null text reads
    // as empty), also held in TypeID and ReMark. One read, the text converted once.
    bool ReadNote(int typeId, QString* text);
    // Creates the group's row from TypeID and ReMark.
    void AddNote();
    // Replaces the stored text of group TypeID with ReMark (writing the row anew
    // if it has gone); never removes the row.
    void SaveNote();
    void DeleteNote(const QString& typeId);

    int TypeID = 0;
    QString ReMark;
    QString statement;
};

extern TNote NoteStore;

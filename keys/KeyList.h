#pragma once
// The key sound list commands: add, batch add, edit, delete and purge.
// Notes refer to key sounds by their 1-based place in the list, so deleting
// and purging renumber the key index of every cell. Each command is one step
// of the ChartEdit (named for the undo menu) and talks to the user only
// through Dialogs; Cancel or an empty answer in any input box ends a command
// with nothing changed.
//
// Renumbering visits every cell 0..30000, not only those up to LastCoord: an
// erased note keeps its key index, and cells above LastCoord come back into
// the chart when "Note Length" grows, so a stale index anywhere would later
// point at the wrong key.

#include <QString>
#include <QStringList>

#include "ChartEdit.h"
#include "Dialogs.h"

namespace lumidex {

// Prompts, questions and notices of the key list commands.
inline const QString kKeyFilePrompt = QStringLiteral("Key File Name");
inline const QString kKeyVolumePrompt = QStringLiteral("Key Volume");
inline const QString kKeyDefaultVolume = QStringLiteral("1.00");
inline const QString kDeleteKeyQuestion = QStringLiteral("Are you sure to delete this key?");
inline const QString kPurgeKeysQuestion = QStringLiteral("Are yu sure to purge all unused keys?");
inline const QString kKeysAddedAgain =
    QStringLiteral("These files were already in the key list and were added again:");

// The key name batch adding gives a chosen file: the path from its parent
// folder on ("/music/drums/kick.wav" -> "drums/kick.wav"); a file directly
// below the root keeps its whole path ("/kick.wav").
QString batchKeyName(const QString& path);

// The renumbering steps without questions, each one step named action.
// deleteKey removes key d (1..KeyCount): later keys move down one, notes of
// key d lose their key (0), notes of later keys follow them. Nothing happens
// for a d outside 1..KeyCount.
void deleteKey(ChartEdit& edits, int d);
// Removes every key no cell refers to, keeping the order of the others, and
// renumbers the cells. A cell whose index names no key (above KeyCount)
// gets 0; negative indices are left alone. Answers the number of keys
// removed.
int purgeUnusedKeys(ChartEdit& edits);

// Whether a step changed what the key list shows: a key sound or KeyCount.
bool changesKeyList(const ChartChange& change);

class KeyListCommands {
  public:
    KeyListCommands(ChartEdit& edits, Dialogs& ui) : edits_(edits), ui_(ui) {}

    // "Add &Key...": name and volume by input boxes; nothing at 2000 keys.
    // The volume must be a number, as the "BGM Volume" box takes it: any
    // other text beeps and the box asks again. True when a key was added.
    bool add();
    // "&Batch Add Key...": the multi-select chooser, opened in musicDir (the
    // folder alone, no file name offered); each file becomes a key named by
    // batchKeyName with volume "1.00", up to 2000 keys. Files whose name is
    // already in the list are added as well, and named in one notice
    // afterwards. Answers the number of keys added.
    int addBatch(const QString& musicDir);
    // "Ed&it Key..." on key k (1..KeyCount; nothing otherwise), the volume
    // checked as add() does. True when the key was stored (also when
    // unchanged).
    bool edit(int k);
    // "&Delete Key..." on key k after the question. True when deleted.
    bool remove(int k);
    // "Pur&ge Unused Key..." after the question. True when asked and
    // confirmed.
    bool purge();

  private:
    bool askYes(const QString& question);
    QString askVolume(const QString& offered);
    void append(const KeySound& key);

    ChartEdit& edits_;
    Dialogs& ui_;
};

}  // namespace lumidex

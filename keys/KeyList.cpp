#include "KeyList.h"

#include <algorithm>
#include <array>

#include "DocumentCommands.h"
#include "Numbers.h"
#include "RuntimeError.h"

namespace lumidex {
namespace {

// Separator before the file's parent folder, or -1 for a file directly below
// the root (or a bare name).
int parentSeparator(const QString& path) {
    const int last = path.lastIndexOf(QLatin1Char('/'));
    if (last <= 0) return -1;
    return path.lastIndexOf(QLatin1Char('/'), last - 1);
}

// Writes newIndex(old) into every cell whose index it changes.
template <class Renumber>
void renumberCells(ChartEdit& edits, Renumber newIndex) {
    const ChartDocument& doc = edits.doc();
    size_t changes = 0;
    for (int c = 0; c <= kMaxCoord; ++c) {
        const int16_t old = doc.cell(c).FxSndIndex;
        changes += newIndex(old) != old;
    }
    edits.reserveCells(changes);
    for (int c = 0; c <= kMaxCoord; ++c) {
        const int16_t old = doc.cell(c).FxSndIndex;
        const int16_t now = newIndex(old);
        if (now != old) edits.setFxSndIndex(c, now);
    }
}

// A volume the players can use: a number (a double, so not 1e999).
bool isVolume(const QString& text) {
    if (!isNumeric(text)) return false;
    try {
        val(text);
        return true;
    } catch (const RuntimeError&) {
        return false;
    }
}

bool inKeyList(const ChartDocument& doc, const QString& name) {
    for (int k = 1; k <= std::clamp(doc.KeyCount, 0, kMaxKeySound); ++k)
        if (doc.keySound(k).Snd == name) return true;
    return false;
}

}  // namespace

QString batchKeyName(const QString& path) {
    const int p = parentSeparator(path);
    return p < 0 ? path : path.mid(p + 1);
}

bool changesKeyList(const ChartChange& change) {
    if (!change.keys.empty()) return true;
    return change.scalarsBefore && change.scalarsBefore->KeyCount != change.scalarsAfter->KeyCount;
}

void deleteKey(ChartEdit& edits, int d) {
    const ChartDocument& doc = edits.doc();
    const int count = doc.KeyCount;
    if (d < 1 || d > count) return;
    EditStep step(edits, QStringLiteral("Delete Key"));
    for (int i = d + 1; i <= count; ++i) edits.setKeySound(i - 1, doc.keySound(i));
    edits.setKeyCount(count - 1);
    renumberCells(edits, [d](int16_t old) -> int16_t {
        if (old == d) return 0;
        return old > d ? int16_t(old - 1) : old;
    });
}

int purgeUnusedKeys(ChartEdit& edits) {
    const ChartDocument& doc = edits.doc();
    const int count = std::clamp(doc.KeyCount, 0, kMaxKeySound);
    // newIndex[k]: the place key k moves to, 0 for a key that goes.
    std::array<int16_t, kMaxKeySound + 1> newIndex{};
    for (int c = 0; c <= kMaxCoord; ++c) {
        const int16_t k = doc.cell(c).FxSndIndex;
        if (k > 0 && k <= count) newIndex[size_t(k)] = 1;
    }
    EditStep step(edits, QStringLiteral("Purge Unused Keys"));
    int16_t kept = 0;
    for (int k = 1; k <= count; ++k) {
        if (!newIndex[size_t(k)]) continue;
        newIndex[size_t(k)] = ++kept;
        if (kept != k) edits.setKeySound(kept, doc.keySound(k));
    }
    edits.setKeyCount(kept);
    renumberCells(edits, [&newIndex, count](int16_t old) -> int16_t {
        if (old <= 0) return old;
        return old <= count ? newIndex[size_t(old)] : int16_t(0);
    });
    return count - kept;
}

// ---- KeyListCommands ----------------------------------------------------------

bool KeyListCommands::add() {
    if (edits_.doc().KeyCount >= kMaxKeySound) return false;
    const QString name = ui_.input(kKeyFilePrompt);
    if (name.isEmpty()) return false;
    const QString volume = askVolume(kKeyDefaultVolume);
    if (volume.isEmpty()) return false;
    EditStep step(edits_, QStringLiteral("Add Key"));
    append({name, volume});
    return true;
}

int KeyListCommands::addBatch(const QString& musicDir) {
    const QStringList paths = ui_.ShowOpenMultiDialog(kKeySoundFilter, kOpenCaption, musicDir);
    QStringList again;
    int added = 0;
    {
        EditStep step(edits_, QStringLiteral("Add Keys"));
        for (const QString& path : paths) {
            if (path.isEmpty()) continue;
            if (edits_.doc().KeyCount >= kMaxKeySound) break;
            const QString name = batchKeyName(path);
            if (inKeyList(edits_.doc(), name)) again << name;
            append({name, kKeyDefaultVolume});
            ++added;
        }
    }
    if (!again.isEmpty())
        ui_.message(kKeysAddedAgain + QLatin1Char('\n') + again.join(QLatin1Char('\n')),
                    MsgIcon::Information);
    return added;
}

bool KeyListCommands::edit(int k) {
    if (k < 1 || k > edits_.doc().KeyCount) return false;
    const KeySound& key = edits_.doc().keySound(k);
    const QString name = ui_.input(kKeyFilePrompt, QString(), key.Snd);
    if (name.isEmpty()) return false;
    const QString volume = askVolume(key.Volume);
    if (volume.isEmpty()) return false;
    EditStep step(edits_, QStringLiteral("Edit Key"));
    edits_.setKeySound(k, {name, volume});
    return true;
}

bool KeyListCommands::remove(int k) {
    if (k < 1 || k > edits_.doc().KeyCount) return false;
    if (!askYes(kDeleteKeyQuestion)) return false;
    deleteKey(edits_, k);
    return true;
}

bool KeyListCommands::purge() {
    if (!askYes(kPurgeKeysQuestion)) return false;
    const BusyPointer busy(ui_);
    purgeUnusedKeys(edits_);
    return true;
}

bool KeyListCommands::askYes(const QString& question) {
    return ui_.message(question, MsgIcon::Question, MsgButtons::YesNo) == MsgAnswer::Yes;
}

// The "Key Volume" box until it holds a number or is left empty. A refused
// text beeps and the box comes back offering the number it first offered
// (or "1.00" when that was no number either).
QString KeyListCommands::askVolume(const QString& offered) {
    const QString fallback = isVolume(offered) ? offered : kKeyDefaultVolume;
    QString volume = ui_.input(kKeyVolumePrompt, QString(), offered);
    while (!volume.isEmpty() && !isVolume(volume)) {
        ui_.beep();
        volume = ui_.input(kKeyVolumePrompt, QString(), fallback);
    }
    return volume;
}

void KeyListCommands::append(const KeySound& key) {
    const int k = edits_.doc().KeyCount + 1;
    edits_.setKeySound(k, key);
    edits_.setKeyCount(k);
}

}  // namespace lumidex

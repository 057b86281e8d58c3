#pragma once
// Peak tables kept on disk, so a chart opened again shows its waveform at
// once. One file per music content and decoder under the user's cache folder
// ($XDG_CACHE_HOME/Lumidex/waveform by default): the key is a SHA-1 of the
// music's bytes with the decoder choice and the table format, so an edited
// music file never finds the old table. Every file carries its key and a
// checksum: a damaged, foreign or stale file is ignored (and replaced by the
// next store). A folder that cannot be written is only reported.
//
// Files are written beside their name and renamed over it when complete, so
// readers on other threads or processes never see half a file.

#include <QByteArray>
#include <QString>

#include <atomic>
#include <memory>

#include "Analysis.h"
#include "Decoder.h"

namespace lumidex::waveform {

class WaveformCache {
  public:
    explicit WaveformCache(QString folder) : folder_(std::move(folder)) {}
    // The user's cache folder for waveforms.
    static QString defaultFolder();

    // The key of music bytes opened through a decoder; empty when cancel was
    // set while hashing.
    static QByteArray keyFor(audio::ByteView bytes, int decoderChoice,
                             const std::atomic<bool>* cancel = nullptr);

    // The analysis stored under key; Outcome::Undecodable without a table when
    // there is none or it cannot be trusted.
    Analysis load(const QByteArray& key) const;
    // The analysis in the bytes of a cache file for key; as load.
    static Analysis parse(const QByteArray& file, const QByteArray& key);
    // Stores an analysis that has a table. False with *error set when the
    // folder or the file cannot be written.
    bool store(const QByteArray& key, const Analysis& analysis, QString* error) const;

    QString fileFor(const QByteArray& key) const;
    const QString& folder() const { return folder_; }

  private:
    QString folder_;
};

}  // namespace lumidex::waveform

#pragma once
// A decoder plug-in: a shared library implementing the C interface of
// plugins/include/lumidex_decoder_plugin.h, loaded once and kept loaded for as
// long as anything holds it: the BASS layer's list of plug-ins, a stream
// created through it, or a decoder it opened. So freeing a plug-in while a
// stream still decodes through it unloads the library only after that
// stream (and every decoder of it) is gone.
//
// Threads: a loaded plug-in is immutable; open() may be called from any
// thread. Each decoder is used by one thread at a time (Decoder's contract).

#include <QString>
#include <QStringList>

#include <memory>

#include "Decoder.h"

struct lumidex_decoder_plugin;

namespace lumidex::audio {

class DecoderPlugin : public std::enable_shared_from_this<DecoderPlugin> {
  public:
    // The outcome of loading a library: the plug-in, or why it was skipped.
    struct Loaded {
        std::shared_ptr<DecoderPlugin> plugin;
        enum class Failure { None, Unreadable, NotLoadable, NoEntry, OtherVersion, BadTable };
        Failure failure = Failure::None;
        QString reason;  // for the user, when there is no plug-in
    };
    // Loads the library at path (no check of where it lies: the caller's job).
    static Loaded load(const QString& path);

    ~DecoderPlugin();
    DecoderPlugin(const DecoderPlugin&) = delete;
    DecoderPlugin& operator=(const DecoderPlugin&) = delete;

    const QString& file() const { return file_; }
    const QString& name() const { return name_; }
    const QString& version() const { return version_; }
    const QStringList& formats() const { return formats_; }

    // A decoder over the bytes when the plug-in reads them (its format is
    // Container::Plugin), else null. The bytes must outlive the decoder.
    // outOfMemory, when given, tells a refusal for want of memory.
    std::unique_ptr<Decoder> open(ByteView bytes, bool* outOfMemory = nullptr) const;

  private:
    DecoderPlugin(void* library, const lumidex_decoder_plugin* table, QString file);

    void* library_;
    const lumidex_decoder_plugin* table_;
    QString file_;
    QString name_;
    QString version_;
    QStringList formats_;
};

}  // namespace lumidex::audio

#include "DecoderPlugin.h"

#include <QFile>
#include <QFileInfo>

#include <dlfcn.h>

#include <algorithm>
#include <new>

#include "lumidex_decoder_plugin.h"

namespace lumidex::audio {

namespace {

constexpr int kMaxRate = 768000;

// dlerror() names the file first; the user knows which file it is.
QString loaderMessage(const QString& path) {
    const char* text = dlerror();
    QString message = text ? QString::fromLocal8Bit(text) : QStringLiteral("cannot be loaded");
    const QString prefix = path + QStringLiteral(": ");
    if (message.startsWith(prefix)) message.remove(0, prefix.size());
    return message;
}

DecoderPlugin::Loaded skipped(DecoderPlugin::Loaded::Failure failure, QString reason) {
    DecoderPlugin::Loaded result;
    result.failure = failure;
    result.reason = std::move(reason);
    return result;
}

bool completeTable(const lumidex_decoder_plugin& t) {
    return t.name && t.version && t.formats && t.probe && t.open && t.read && t.seek && t.length &&
           t.close;
}

// A sound decoded by a plug-in. Holds the plug-in, so that the library stays
// loaded while the decoder exists.
class PluginDecoder final : public Decoder {
  public:
    PluginDecoder(std::shared_ptr<const DecoderPlugin> plugin, const lumidex_decoder_plugin* table,
                  lumidex_decoder* decoder, const lumidex_sound_info& info)
        : plugin_(std::move(plugin)), table_(table), decoder_(decoder) {
        format_.container = Container::Plugin;
        format_.sampleRate = info.sample_rate;
        format_.channels = info.channels;
        format_.frames = info.frames;
    }
    ~PluginDecoder() override { table_->close(decoder_); }

    int64_t read(float* out, int64_t frames) override {
        if (frames <= 0) return 0;
        const int64_t got = table_->read(decoder_, out, frames);
        return got < 0 ? 0 : std::min(got, frames);
    }
    bool seek(int64_t frame) override { return table_->seek(decoder_, frame) != 0; }

  private:
    std::shared_ptr<const DecoderPlugin> plugin_;
    const lumidex_decoder_plugin* table_;
    lumidex_decoder* decoder_;
};

}  // namespace

DecoderPlugin::Loaded DecoderPlugin::load(const QString& path) {
    using Failure = Loaded::Failure;
    const QFileInfo info(path);
    if (!info.isFile() || !info.isReadable())
        return skipped(Failure::Unreadable, QStringLiteral("the file cannot be read"));
    dlerror();
    void* library = dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL);
    if (!library)
        return skipped(Failure::NotLoadable,
                       QStringLiteral("not a loadable library (%1)").arg(loaderMessage(path)));
    auto entry =
        reinterpret_cast<lumidex_decoder_entry_fn>(dlsym(library, LUMIDEX_DECODER_ENTRY_NAME));
    const lumidex_decoder_plugin* table = entry ? entry() : nullptr;
    Loaded result;
    if (!entry) {
        result = skipped(Failure::NoEntry, QStringLiteral("no %1 function: not a decoder plug-in")
                                               .arg(QLatin1String(LUMIDEX_DECODER_ENTRY_NAME)));
    } else if (!table) {
        result = skipped(Failure::BadTable, QStringLiteral("its entry function answered nothing"));
    } else if (table->abi_version != LUMIDEX_DECODER_ABI_VERSION) {
        result =
            skipped(Failure::OtherVersion,
                    QStringLiteral("plug-in interface version %1; this program reads version %2")
                        .arg(table->abi_version)
                        .arg(LUMIDEX_DECODER_ABI_VERSION));
    } else if (!completeTable(*table)) {
        result = skipped(Failure::BadTable, QStringLiteral("its function table is incomplete"));
    } else {
        result.plugin.reset(new DecoderPlugin(library, table, info.canonicalFilePath()));
        return result;
    }
    dlclose(library);
    return result;
}

DecoderPlugin::DecoderPlugin(void* library, const lumidex_decoder_plugin* table, QString file)
    : library_(library), table_(table), file_(std::move(file)) {
    name_ = QString::fromUtf8(table->name);
    version_ = QString::fromUtf8(table->version);
    for (const char* const* f = table->formats; *f && formats_.size() < 256; ++f)
        formats_ << QString::fromUtf8(*f);
}

DecoderPlugin::~DecoderPlugin() {
    dlclose(library_);
}

std::unique_ptr<Decoder> DecoderPlugin::open(ByteView bytes, bool* outOfMemory) const {
    if (outOfMemory) *outOfMemory = false;
    if (!bytes.data || bytes.size == 0 || !table_->probe(bytes.data, bytes.size)) return nullptr;
    lumidex_sound_info info{};
    int error = LUMIDEX_DECODER_OK;
    lumidex_decoder* decoder = table_->open(bytes.data, bytes.size, &info, &error);
    if (!decoder) {
        if (outOfMemory) *outOfMemory = error == LUMIDEX_DECODER_ERROR_MEMORY;
        return nullptr;
    }
    // What the host relies on, whatever the plug-in says.
    if (info.sample_rate < 1 || info.sample_rate > kMaxRate || info.channels < 1 ||
        info.channels > 32 || info.frames < 0) {
        table_->close(decoder);
        return nullptr;
    }
    try {
        return std::make_unique<PluginDecoder>(shared_from_this(), table_, decoder, info);
    } catch (const std::bad_alloc&) {
        table_->close(decoder);
        if (outOfMemory) *outOfMemory = true;
        return nullptr;
    }
}

}  // namespace lumidex::audio

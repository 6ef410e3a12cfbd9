#include "core/replaygain/uLoudnessScan.h"

#include <algorithm>
#include <cmath>
#include <ebur128.h>
#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <mutex>

#include "core/common/uTFileUtils.h"

namespace orvanta {

class TLoudnessMeter {
public:
    TLoudnessMeter(unsigned Channels, unsigned long Rate)
        : FState(ebur128_init(Channels, Rate,
                              EBUR128_MODE_I | EBUR128_MODE_SAMPLE_PEAK | EBUR128_MODE_HISTOGRAM)) {
    }
    ~TLoudnessMeter() {
        if (FState)
            ebur128_destroy(&FState);
    }
    TLoudnessMeter(const TLoudnessMeter&) = delete;
    TLoudnessMeter& operator=(const TLoudnessMeter&) = delete;
    ebur128_state* State() const { return FState; }

private:
    ebur128_state* FState;
};

namespace {

// GLib's objects, each released when it goes out of scope.
struct TGstUnref {
    void operator()(GstElement* Element) const { gst_object_unref(Element); }
    void operator()(GstBus* Bus) const { gst_object_unref(Bus); }
    void operator()(GstSample* Sample) const { gst_sample_unref(Sample); }
    void operator()(GstMessage* Message) const { gst_message_unref(Message); }
};
template <typename T> using TGstPtr = std::unique_ptr<T, TGstUnref>;

bool InitGStreamer(std::string& Error) {
    static std::once_flag once;
    static std::string failure;
    std::call_once(once, [] {
        GError* error = nullptr;
        if (!gst_init_check(nullptr, nullptr, &error)) {
            failure = error ? error->message : "GStreamer could not start.";
            g_clear_error(&error);
        }
    });
    Error = failure;
    return failure.empty();
}

// Links the decoder's audio stream to the converter; a cover or video stream stays unlinked.
void LinkAudioPad(GstElement* /*Decoder*/, GstPad* Pad, gpointer Converter) {
    GstCaps* caps = gst_pad_get_current_caps(Pad);
    if (!caps)
        caps = gst_pad_query_caps(Pad, nullptr);
    const bool audio =
        caps && gst_caps_get_size(caps) > 0 &&
        g_str_has_prefix(gst_structure_get_name(gst_caps_get_structure(caps, 0)), "audio/");
    if (caps)
        gst_caps_unref(caps);
    GstPad* sink = gst_element_get_static_pad(static_cast<GstElement*>(Converter), "sink");
    if (audio && !gst_pad_is_linked(sink))
        gst_pad_link(Pad, sink);
    gst_object_unref(sink);
}

std::string ErrorOf(GstMessage* Message) {
    GError* error = nullptr;
    gst_message_parse_error(Message, &error, nullptr);
    std::string text = error ? error->message : "The file could not be decoded.";
    g_clear_error(&error);
    return text;
}

class TDecoder {
public:
    bool Build(const std::string& Path, std::string& Error) {
        FPipeline.reset(gst_pipeline_new(nullptr));
        if (FPipeline)
            gst_object_ref_sink(FPipeline.get());
        GstElement* source = gst_element_factory_make("filesrc", nullptr);
        GstElement* decoder = gst_element_factory_make("decodebin", nullptr);
        GstElement* converter = gst_element_factory_make("audioconvert", nullptr);
        GstElement* sink = gst_element_factory_make("appsink", nullptr);
        if (!FPipeline || !source || !decoder || !converter || !sink) {
            for (GstElement* element : {source, decoder, converter, sink})
                if (element)
                    gst_object_unref(gst_object_ref_sink(element));
            Error = "GStreamer lacks the elements to decode audio.";
            return false;
        }
        g_object_set(source, "location", Path.c_str(), nullptr);
        GstCaps* caps = gst_caps_new_simple("audio/x-raw", "format", G_TYPE_STRING, "F32LE",
                                            "layout", G_TYPE_STRING, "interleaved", nullptr);
        // No clock: the sink takes buffers as fast as they come; a short queue keeps the decoder
        // from racing ahead of the meter.
        g_object_set(sink, "caps", caps, "sync", FALSE, "max-buffers", 16u, "drop", FALSE,
                     "emit-signals", FALSE, nullptr);
        gst_caps_unref(caps);
        gst_bin_add_many(GST_BIN(FPipeline.get()), source, decoder, converter, sink, nullptr);
        if (!gst_element_link(source, decoder) || !gst_element_link(converter, sink)) {
            Error = "GStreamer could not build the decoder.";
            return false;
        }
        g_signal_connect(decoder, "pad-added", G_CALLBACK(LinkAudioPad), converter);
        FConverter = converter;
        FSink = GST_APP_SINK(sink);
        FBus.reset(gst_element_get_bus(FPipeline.get()));
        return true;
    }

    ~TDecoder() {
        if (FPipeline)
            gst_element_set_state(FPipeline.get(), GST_STATE_NULL);
    }

    bool Start(std::string& Error) {
        if (gst_element_set_state(FPipeline.get(), GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
            Error = BusError();
            return false;
        }
        return true;
    }

    // The next decoded buffer; null at the end, on an error (Error set) or once cancelled.
    GstSample* Next(std::string& Error, const std::function<bool()>& Cancelled) {
        for (;;) {
            if (Cancelled && Cancelled())
                return nullptr;
            if (GstSample* sample = gst_app_sink_try_pull_sample(FSink, 100 * GST_MSECOND))
                return sample;
            if (GstMessage* message = gst_bus_pop_filtered(FBus.get(), GST_MESSAGE_ERROR)) {
                Error = ErrorOf(message);
                gst_message_unref(message);
                // GStreamer's words for a stream that reached no sink say little.
                if (!AudioLinked())
                    Error = "The file holds no audio stream that could be decoded.";
                return nullptr;
            }
            if (gst_app_sink_is_eos(FSink))
                return nullptr;
        }
    }

private:
    bool AudioLinked() const {
        GstPad* pad = gst_element_get_static_pad(FConverter, "sink");
        const bool linked = gst_pad_is_linked(pad);
        gst_object_unref(pad);
        return linked;
    }

    std::string BusError() {
        TGstPtr<GstMessage> message(gst_bus_pop_filtered(FBus.get(), GST_MESSAGE_ERROR));
        return message ? ErrorOf(message.get()) : "The file could not be decoded.";
    }

    TGstPtr<GstElement> FPipeline;
    TGstPtr<GstBus> FBus;
    GstElement* FConverter = nullptr;
    GstAppSink* FSink = nullptr;
};

} // namespace

bool MeasureLoudness(const std::string& Path, TTrackLoudness& Track, std::string& Error,
                     const std::function<bool()>& Cancelled) {
    Error.clear();
    Track = {};
    // A FIFO or a folder would block the decoder or mean nothing.
    if (!TFileUtils::IsRegularFile(Path)) {
        Error = "Not a regular file.";
        return false;
    }
    if (!InitGStreamer(Error))
        return false;
    TDecoder decoder;
    if (!decoder.Build(Path, Error) || !decoder.Start(Error))
        return false;
    std::shared_ptr<TLoudnessMeter> meter;
    int channels = 0, rate = 0;
    std::size_t frames = 0;
    while (TGstPtr<GstSample> sample{decoder.Next(Error, Cancelled)}) {
        const GstStructure* format = gst_caps_get_structure(gst_sample_get_caps(sample.get()), 0);
        int newChannels = 0, newRate = 0;
        if (!gst_structure_get_int(format, "channels", &newChannels) ||
            !gst_structure_get_int(format, "rate", &newRate) || newChannels <= 0 || newRate <= 0)
            continue;
        if (!meter) {
            meter = std::make_shared<TLoudnessMeter>(newChannels, newRate);
            if (!meter->State()) {
                Error = "The loudness meter could not start.";
                return false;
            }
        } else if (newChannels != channels || newRate != rate) {
            ebur128_change_parameters(meter->State(), newChannels, newRate);
        }
        channels = newChannels;
        rate = newRate;
        GstMapInfo map;
        GstBuffer* buffer = gst_sample_get_buffer(sample.get());
        if (!buffer || !gst_buffer_map(buffer, &map, GST_MAP_READ))
            continue;
        const std::size_t count = map.size / (sizeof(float) * channels);
        ebur128_add_frames_float(meter->State(), reinterpret_cast<const float*>(map.data), count);
        gst_buffer_unmap(buffer, &map);
        frames += count;
    }
    if (Cancelled && Cancelled()) {
        Error.clear();
        return false;
    }
    if (!Error.empty())
        return false;
    if (!meter || frames == 0) {
        Error = "The file holds no audio that could be decoded.";
        return false;
    }
    double loudness = 0;
    if (ebur128_loudness_global(meter->State(), &loudness) != EBUR128_SUCCESS ||
        !std::isfinite(loudness)) {
        Error = "The file holds no audible sound.";
        return false;
    }
    double peak = 0;
    for (int channel = 0; channel < channels; ++channel) {
        double channelPeak = 0;
        if (ebur128_sample_peak(meter->State(), channel, &channelPeak) == EBUR128_SUCCESS)
            peak = std::max(peak, channelPeak);
    }
    Track = {loudness, peak, static_cast<double>(frames) / rate, std::move(meter)};
    return true;
}

bool AlbumLoudness(const std::vector<const TTrackLoudness*>& Tracks, double& Loudness) {
    std::vector<ebur128_state*> states;
    for (const TTrackLoudness* track : Tracks)
        if (track && track->Meter)
            states.push_back(track->Meter->State());
    return !states.empty() &&
           ebur128_loudness_global_multiple(states.data(), states.size(), &Loudness) ==
               EBUR128_SUCCESS &&
           std::isfinite(Loudness);
}

} // namespace orvanta

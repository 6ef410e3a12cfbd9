#include "core/replaygain/uStreamGain.h"

#include <gst/gst.h>

#include <algorithm>
#include <optional>
#include <string_view>

namespace orvanta {

namespace {

std::optional<double> tagDouble(const GstTagList* Tags, const char* Tag) {
    gdouble value = 0;
    if (gst_tag_list_get_double(Tags, Tag, &value))
        return value;
    return std::nullopt;
}

// GStreamer gives the REPLAYGAIN_* values as tags of their own; Opus's R128_* gains stay
// comments ("R128_TRACK_GAIN=-1536").
std::optional<double> r128Comment(const GstTagList* Tags, std::string_view Key) {
    const guint count = gst_tag_list_get_tag_size(Tags, GST_TAG_EXTENDED_COMMENT);
    for (guint i = 0; i < count; ++i) {
        const gchar* text = nullptr;
        if (!gst_tag_list_peek_string_index(Tags, GST_TAG_EXTENDED_COMMENT, i, &text) ||
            text == nullptr)
            continue;
        const std::string_view comment(text);
        if (comment.size() > Key.size() && comment[Key.size()] == '=' &&
            g_ascii_strncasecmp(text, Key.data(), Key.size()) == 0)
            return R128Gain(comment.substr(Key.size() + 1));
    }
    return std::nullopt;
}

void mergeTags(const GstTagList* Tags, TGainValues& Values) {
    const auto take = [](std::optional<double>& Into, std::optional<double> Value) {
        if (Value)
            Into = Value;
    };
    take(Values.TrackGain, tagDouble(Tags, GST_TAG_TRACK_GAIN));
    take(Values.TrackPeak, tagDouble(Tags, GST_TAG_TRACK_PEAK));
    take(Values.AlbumGain, tagDouble(Tags, GST_TAG_ALBUM_GAIN));
    take(Values.AlbumPeak, tagDouble(Tags, GST_TAG_ALBUM_PEAK));
    if (!Values.TrackGain)
        Values.TrackGain = r128Comment(Tags, "R128_TRACK_GAIN");
    if (!Values.AlbumGain)
        Values.AlbumGain = r128Comment(Tags, "R128_ALBUM_GAIN");
}

} // namespace

TStreamGain::~TStreamGain() {
    if (FElement != nullptr)
        gst_object_unref(FElement);
}

void TStreamGain::Attach(GstElement* Element) {
    FElement = GST_ELEMENT(gst_object_ref(Element));
    GstPad* pad = gst_element_get_static_pad(Element, "sink");
    gst_pad_add_probe(
        pad, GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM,
        [](GstPad*, GstPadProbeInfo* Info, gpointer Data) {
            static_cast<TStreamGain*>(Data)->handleEvent(GST_PAD_PROBE_INFO_EVENT(Info));
            return GST_PAD_PROBE_OK;
        },
        this, nullptr);
    gst_object_unref(pad);
    const std::lock_guard hold(FLock);
    applyLocked();
}

void TStreamGain::SetSettings(const TReplayGainSettings& Settings, bool AlbumInOrder) {
    const std::lock_guard hold(FLock);
    FSettings = Settings;
    FAlbumInOrder = AlbumInOrder;
    applyLocked();
}

double TStreamGain::Factor() {
    const std::lock_guard hold(FLock);
    return FFactor;
}

void TStreamGain::applyLocked() {
    // The volume element goes no higher than 10 (+20 dB).
    FFactor = std::clamp(ReplayGainFactor(FSettings, FValues, FAlbumInOrder), 0.0, 10.0);
    if (FElement != nullptr)
        g_object_set(FElement, "volume", FFactor, nullptr);
}

void TStreamGain::handleEvent(GstEvent* Event) {
    if (GST_EVENT_TYPE(Event) == GST_EVENT_STREAM_START) {
        const std::lock_guard hold(FLock);
        FValues = {};
        applyLocked();
        ++FStreams;
    } else if (GST_EVENT_TYPE(Event) == GST_EVENT_TAG) {
        GstTagList* tags = nullptr;
        gst_event_parse_tag(Event, &tags);
        const std::lock_guard hold(FLock);
        mergeTags(tags, FValues);
        applyLocked();
    }
}

} // namespace orvanta

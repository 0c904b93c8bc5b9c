// QZTextToSpeech: languages, voices, volume and parameters; `say` takes 20 ms per
// byte of text at the default speed (at most 10 s), so that a posted say can be
// waited on or stopped. While notifications are on, the module writes its progress
// into the memory: QZTextToSpeech/TextStarted, /CurrentSentence, /TextDone and
// /TextInterrupted.
#include "../behaviours.h"
#include "memorystore.h"

#include "../callfault.h"

#include <algorithm>
#include <map>

namespace qzsim {

namespace {

using QZ::QZValue;

const char kTextToSpeechModule[] = "QZTextToSpeech";
constexpr double kMsPerByte = 20.0;
constexpr double kLongestSayMs = 10000.0;

struct Voice {
  const char* language;
  const char* voice;
};
const Voice kVoices[] = {{"English", "Emma"},   {"French", "Louis"},  {"German", "Greta"},
                         {"Spanish", "Sofia"},  {"Italian", "Marco"}, {"Japanese", "Yuki"},
                         {"Chinese", "Lin"}};

struct Range {
  float initial, low, high;
};
const std::map<std::string, Range> kParameters = {{"speed", {100.0f, 50.0f, 400.0f}},
                                                  {"pitchShift", {1.0f, 0.0f, 4.0f}},
                                                  {"doubleVoice", {0.0f, 0.0f, 4.0f}},
                                                  {"doubleVoiceLevel", {0.0f, 0.0f, 4.0f}},
                                                  {"doubleVoiceTimeShift", {0.0f, 0.0f, 0.5f}}};

struct Speech {
  std::mutex mutex;
  std::string language = "English";
  std::string voice = "Emma";
  float volume = 0.8f;
  bool notifications = true;
  std::map<std::string, float> parameters;
  ActivitySet speaking;
};

const Voice* voiceOfLanguage(const std::string& language) {
  for (const Voice& v : kVoices)
    if (language == v.language) return &v;
  return nullptr;
}

bool knownVoice(const std::string& voice) {
  for (const Voice& v : kVoices)
    if (voice == v.voice) return true;
  return false;
}

std::vector<std::string> column(bool languages) {
  std::vector<std::string> out;
  for (const Voice& v : kVoices) out.push_back(languages ? v.language : v.voice);
  return out;
}

const Range& parameterRange(const Args& a, const std::string& name) {
  auto found = kParameters.find(name);
  if (found == kParameters.end())
    a.failArgument(0, "names no parameter: " + shown(name) +
                          " (known: speed, pitchShift, doubleVoice, doubleVoiceLevel, "
                          "doubleVoiceTimeShift)");
  return found->second;
}

// Speaks `text` for its duration, or until stopped.
void speak(Speech& speech, MemoryStore& memory, const std::string& text, TaskControl& control) {
  float speed;
  bool notify;
  {
    std::lock_guard<std::mutex> lock(speech.mutex);
    speed = speech.parameters["speed"];
    notify = speech.notifications;
  }
  const double ms = std::min(kLongestSayMs, kMsPerByte * static_cast<double>(text.size()) * 100.0 / speed);
  ActivitySet::Entry speaking(speech.speaking, control);
  if (notify) {
    memory.insert("QZTextToSpeech/CurrentSentence", QZValue(text));
    memory.insert("QZTextToSpeech/TextStarted", QZValue(1));
    memory.insert("QZTextToSpeech/TextDone", QZValue(0));
  }
  const bool finished = control.sleepFor(std::chrono::milliseconds(static_cast<long>(ms)));
  if (notify) {
    memory.insert("QZTextToSpeech/TextInterrupted", QZValue(finished ? 0 : 1));
    memory.insert("QZTextToSpeech/TextStarted", QZValue(0));
    memory.insert("QZTextToSpeech/TextDone", QZValue(1));
  }
}

}  // namespace

void installTextToSpeech(Behaviours& b, World& world) {
  auto speech = std::make_shared<Speech>();
  for (const auto& p : kParameters) speech->parameters[p.first] = p.second.initial;
  std::shared_ptr<MemoryStore> memory = world.memory;
  auto on = [&b](const char* key, Behaviour behaviour) { b.add(kTextToSpeechModule, key, std::move(behaviour)); };

  Behaviour say = [speech, memory](const Args& a, TaskControl& control) {
    speak(*speech, *memory, a.text(0), control);
    return QZValue();
  };
  on("say(string)", say);
  on("sayToFileAndPlay(string)", say);
  // Writing sound files is left out: the simulated broker keeps no files.
  on("sayToFile(string,string)", [](const Args&, TaskControl&) { return QZValue(); });
  on("stopAll()", [speech](const Args&, TaskControl&) {
    speech->speaking.stopAll();
    return QZValue();
  });

  on("getAvailableLanguages()", [](const Args&, TaskControl&) { return QZValue(column(true)); });
  on("getAvailableVoices()", [](const Args&, TaskControl&) { return QZValue(column(false)); });
  on("getLanguage()", [speech](const Args&, TaskControl&) {
    std::lock_guard<std::mutex> lock(speech->mutex);
    return QZValue(speech->language);
  });
  on("setLanguage(string)", [speech](const Args& a, TaskControl&) {
    const Voice* voice = voiceOfLanguage(a.text(0));
    if (voice == nullptr) a.failArgument(0, "names no available language: " + shown(a.text(0)));
    std::lock_guard<std::mutex> lock(speech->mutex);
    speech->language = voice->language;
    speech->voice = voice->voice;
    return QZValue();
  });
  on("getLanguageEncoding(string)", [](const Args& a, TaskControl&) {
    if (voiceOfLanguage(a.text(0)) == nullptr)
      a.failArgument(0, "names no available language: " + shown(a.text(0)));
    return QZValue(std::string("UTF-8"));
  });
  on("getVoice()", [speech](const Args&, TaskControl&) {
    std::lock_guard<std::mutex> lock(speech->mutex);
    return QZValue(speech->voice);
  });
  on("setVoice(string)", [speech](const Args& a, TaskControl&) {
    if (!knownVoice(a.text(0))) a.failArgument(0, "names no available voice: " + shown(a.text(0)));
    std::lock_guard<std::mutex> lock(speech->mutex);
    speech->voice = a.text(0);
    return QZValue();
  });
  on("loadVoicePreference(string)", [](const Args&, TaskControl&) { return QZValue(); });

  on("getVolume()", [speech](const Args&, TaskControl&) {
    std::lock_guard<std::mutex> lock(speech->mutex);
    return QZValue(speech->volume);
  });
  on("setVolume(float)", [speech](const Args& a, TaskControl&) {
    const float volume = a.number(0);
    if (!(volume >= 0.0f && volume <= 1.0f)) a.failArgument(0, "must lie between 0 and 1");
    std::lock_guard<std::mutex> lock(speech->mutex);
    speech->volume = volume;
    return QZValue();
  });

  on("getParameter(string)", [speech](const Args& a, TaskControl&) {
    parameterRange(a, a.text(0));
    std::lock_guard<std::mutex> lock(speech->mutex);
    return QZValue(speech->parameters[a.text(0)]);
  });
  on("setParameter(string,float)", [speech](const Args& a, TaskControl&) {
    const Range& range = parameterRange(a, a.text(0));
    const float value = a.number(1);
    if (!(value >= range.low && value <= range.high))
      a.failArgument(1, "must lie between " + std::to_string(range.low) + " and " +
                            std::to_string(range.high) + " for " + a.text(0));
    std::lock_guard<std::mutex> lock(speech->mutex);
    speech->parameters[a.text(0)] = value;
    return QZValue();
  });

  auto notifications = [speech](bool on) {
    return [speech, on](const Args&, TaskControl&) {
      std::lock_guard<std::mutex> lock(speech->mutex);
      speech->notifications = on;
      return QZValue();
    };
  };
  on("enableNotifications()", notifications(true));
  on("disableNotifications()", notifications(false));
}

}  // namespace qzsim

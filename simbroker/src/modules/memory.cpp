// QZMemory: a thread-safe store of named values, events and their subscribers. A
// value comes back exactly as it was stored, whatever its kind and size.
#include "../behaviours.h"
#include "memorystore.h"
#include "stamp.h"

#include "../callfault.h"

namespace qzsim {

namespace {

using QZ::QZValue;
using Kind = MemoryStore::EventKind;

const char kMemoryModule[] = "QZMemory";

QZValue answer(const std::vector<std::string>& names) { return QZValue(names); }

MemoryStore::Entry entryOf(MemoryStore& store, const Args& args, const std::string& key) {
  MemoryStore::Entry entry;
  if (!store.read(key, entry)) args.fail("no value is stored under the key " + shown(key));
  return entry;
}

[[noreturn]] void full(const Args& args) {
  args.fail("the memory is full (" + std::to_string(MemoryStore::kMaxKeys) + " keys)");
}

std::vector<std::string> keyList(const Args& args, int index) {
  const QZValue& list = args.value(index);
  std::vector<std::string> keys;
  if (list.getType() == QZValue::TypeString) return {static_cast<const std::string&>(list)};
  if (list.getType() != QZValue::TypeArray) args.failArgument(index, "must be a list of keys");
  for (const QZValue& key : *list.arrayElements()) {
    if (key.getType() != QZValue::TypeString) args.failArgument(index, "must hold only strings");
    keys.push_back(static_cast<const std::string&>(key));
  }
  return keys;
}

}  // namespace

void installMemory(Behaviours& b, World& world) {
  std::shared_ptr<MemoryStore> store = world.memory;
  auto on = [&b](const char* key, Behaviour behaviour) { b.add(kMemoryModule, key, std::move(behaviour)); };

  Behaviour insert = [store](const Args& a, TaskControl&) {
    if (!store->insert(a.text(0), a.value(1))) full(a);
    return QZValue();
  };
  for (const char* key : {"insertData(string,object)", "insertData(string,string)",
                          "insertData(string,float)", "insertData(string,int)"})
    on(key, insert);

  on("insertListData(object)", [store](const Args& a, TaskControl&) {
    const QZValue& list = a.value(0);
    if (list.getType() != QZValue::TypeArray) a.failArgument(0, "must be a list of [key, value] pairs");
    // Checked whole before anything is stored, so a bad pair stores nothing.
    for (unsigned i = 0; i < list.getSize(); ++i) {
      const QZValue& pair = list[static_cast<int>(i)];
      if (pair.getType() != QZValue::TypeArray || pair.getSize() < 2 ||
          pair[0].getType() != QZValue::TypeString)
        a.failArgument(0, "element " + std::to_string(i + 1) + " is not a [key, value] pair");
    }
    for (const QZValue& pair : *list.arrayElements())
      if (!store->insert(static_cast<const std::string&>(pair[0]), pair[1])) full(a);
    return QZValue();
  });

  Behaviour get = [store](const Args& a, TaskControl&) { return entryOf(*store, a, a.text(0)).value; };
  on("getData(string)", get);
  on("getData(string,int)", get);
  on("getDataOnChange(string,int)", get);

  on("getListData(object)", [store](const Args& a, TaskControl&) {
    QZValue values;
    values.arraySetSize(0);
    for (const std::string& key : keyList(a, 0)) {
      const int n = static_cast<int>(values.getSize());
      values.arraySetSize(n + 1);
      values[n] = entryOf(*store, a, key).value;
    }
    return values;
  });

  on("getDataList(string)", [store](const Args& a, TaskControl&) { return answer(store->keys(a.text(0))); });
  on("getDataListName()", [store](const Args&, TaskControl&) { return answer(store->keys("")); });

  on("removeData(string)", [store](const Args& a, TaskControl&) {
    store->remove(a.text(0));
    return QZValue();
  });

  on("getType(string)", [store](const Args& a, TaskControl&) {
    return QZValue(QZValue::TypeToString(entryOf(*store, a, a.text(0)).value.getType()));
  });

  on("getTimestamp(string)", [store](const Args& a, TaskControl&) {
    return stampValue(entryOf(*store, a, a.text(0)).stamp);
  });

  on("setDescription(string,string)", [store](const Args& a, TaskControl&) {
    if (!store->describe(a.text(0), a.text(1))) full(a);
    return QZValue();
  });

  // [[key, description, kind], ...]; a key without value has the kind Invalid.
  on("getDescriptionList(list of strings)", [store](const Args& a, TaskControl&) {
    const std::vector<std::string> keys = a.texts(0);
    QZValue list;
    list.arraySetSize(static_cast<int>(keys.size()));
    for (std::size_t i = 0; i < keys.size(); ++i) {
      MemoryStore::Entry entry;
      store->read(keys[i], entry);
      QZValue& row = list[static_cast<int>(i)];
      row.arraySetSize(3);
      row[0] = QZValue(keys[i]);
      row[1] = QZValue(entry.description);
      row[2] = QZValue(QZValue::TypeToString(entry.value.getType()));
    }
    return list;
  });

  // Events: raising one stores its value under its name and in its history.
  auto declare = [store](Kind kind) {
    return [store, kind](const Args& a, TaskControl&) {
      if (!store->declare(kind, a.text(0), a.size() > 1 ? a.text(1) : std::string())) full(a);
      return QZValue();
    };
  };
  on("declareEvent(string)", declare(Kind::Event));
  on("declareEvent(string,string)", declare(Kind::Event));

  auto raise = [store](Kind kind) {
    return [store, kind](const Args& a, TaskControl&) {
      if (!store->declare(kind, a.text(0), std::string()) || !store->raise(a.text(0), a.value(1)))
        full(a);
      return QZValue();
    };
  };
  on("raiseEvent(string,object)", raise(Kind::Event));
  on("raiseMicroEvent(string,object)", raise(Kind::MicroEvent));

  on("removeMicroEvent(string)", [store](const Args& a, TaskControl&) {
    store->undeclare(Kind::MicroEvent, a.text(0));
    store->remove(a.text(0));
    return QZValue();
  });

  on("getEventList()", [store](const Args&, TaskControl&) { return answer(store->events(Kind::Event)); });
  on("getMicroEventList()", [store](const Args&, TaskControl&) {
    return answer(store->events(Kind::MicroEvent));
  });
  on("getExtractorEvent(string)", [store](const Args& a, TaskControl&) {
    return answer(store->eventsOf(a.text(0)));
  });

  // [[value, [seconds, microseconds]], ...], oldest first.
  on("getEventHistory(string)", [store](const Args& a, TaskControl&) {
    const MemoryStore::Entry entry = entryOf(*store, a, a.text(0));
    QZValue history;
    history.arraySetSize(static_cast<int>(entry.history.size()));
    for (std::size_t i = 0; i < entry.history.size(); ++i) {
      QZValue& row = history[static_cast<int>(i)];
      row.arraySetSize(2);
      row[0] = entry.history[i].first;
      row[1] = stampValue(entry.history[i].second);
    }
    return history;
  });

  auto subscribe = [store](Kind kind) {
    return [store, kind](const Args& a, TaskControl&) {
      if (!store->subscribe(kind, a.text(0), a.text(1))) full(a);
      return QZValue();
    };
  };
  on("subscribeToEvent(string,string,string,string)", subscribe(Kind::Event));
  on("subscribeToEvent(string,string,string)", subscribe(Kind::Event));
  on("subscribeToMicroEvent(string,string,string,string)", subscribe(Kind::MicroEvent));

  auto unsubscribe = [store](Kind kind) {
    return [store, kind](const Args& a, TaskControl&) {
      store->unsubscribe(kind, a.text(0), a.text(1));
      return QZValue();
    };
  };
  on("unsubscribeToEvent(string,string)", unsubscribe(Kind::Event));
  on("unsubscribeToMicroEvent(string,string)", unsubscribe(Kind::MicroEvent));

  on("getSubscribers(string)", [store](const Args& a, TaskControl&) {
    return answer(store->subscribers(a.text(0)));
  });
  on("unregisterModuleReference(string)", [store](const Args& a, TaskControl&) {
    store->forgetModule(a.text(0));
    return QZValue();
  });
}

}  // namespace qzsim

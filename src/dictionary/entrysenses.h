#pragma once

#include <memory>
#include <optional>

#include <QList>
#include <QString>

#include "entryrecord.h"
#include "failure.h"

class Store;
struct Direction;

// One entry of a headword: a sense, with its translation, label, subfield and record.
struct Sense final {
    QString term;
    QString translation;
    QString subfield;
    QString label;
    std::optional<EntryRecord> record; // none where the tables hold no records
};

// Every entry of `headword` in the direction's table, in the order the window's search gives
// them: the first is the one the window shows.
Result<QList<Sense>> sensesOf(const std::shared_ptr<Store>& store, const Direction& direction, const QString& headword);

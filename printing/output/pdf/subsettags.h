// The six-letter tags of a document's font subsets.
#pragma once

#include <QByteArray>

#include <map>

// The six capitals before a subset font's name, for one document: equal
// font programs share a tag and different ones never do, and a tag depends
// on nothing but the program (and, should two meet on one, the programs
// tagged before it).
class SubsetTags {
public:
    QByteArray tagFor(const QByteArray& program);

private:
    std::map<QByteArray, QByteArray> digests_; // by tag
};

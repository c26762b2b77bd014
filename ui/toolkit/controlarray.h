#pragma once

#include "util/fault.h"

#include <QList>
#include <QMap>
#include <QObject>
#include <QString>
#include <QVariant>

#include <functional>

namespace toolkit {

// Like controls under one name: each element has an index (gaps allowed) and
// one handler serves them all, receiving the element's index. The elements
// are owned by their parent widget; the array only refers to them.
template <class Control>
class ControlArray {
public:
    explicit ControlArray(QString name) : name_(std::move(name)) {}

    // Adds `control` as element `index`; it takes the array's name as its
    // object name and its index as the property "index".
    Control* add(int index, Control* control)
    {
        control->setObjectName(name_);
        control->setProperty("index", index);
        elements_.insert(index, control);
        for (const Binding& bind : bindings_)
            bind(index, control);
        return control;
    }

    // Calls the handler with the element's index whenever `signal` of an
    // element fires; elements added later are bound as well.
    template <class Signal>
    void connect(Signal signal, std::function<void(int)> handler)
    {
        Binding bind = [signal, handler](int index, Control* control) {
            QObject::connect(control, signal, control, [handler, index] { handler(index); });
        };
        for (auto it = elements_.cbegin(); it != elements_.cend(); ++it)
            bind(it.key(), it.value());
        bindings_.append(std::move(bind));
    }

    // A missing element is a subscript fault, as for any array.
    Control* operator[](int index) const
    {
        Control* control = elements_.value(index, nullptr);
        if (!control)
            throw Fault(FaultKind::SubscriptOutOfRange,
                        QStringLiteral("%1(%2) does not exist").arg(name_).arg(index));
        return control;
    }

    bool contains(int index) const { return elements_.contains(index); }
    QList<int> indexes() const { return elements_.keys(); }
    int count() const { return static_cast<int>(elements_.size()); }
    const QString& name() const { return name_; }

private:
    using Binding = std::function<void(int, Control*)>;

    QString name_;
    QMap<int, Control*> elements_;
    QList<Binding> bindings_;
};

} // namespace toolkit

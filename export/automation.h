#pragma once

#include <functional>
#include <memory>
#include <optional>

#include <QHash>
#include <QMetaType>
#include <QString>
#include <QVariant>
#include <QVariantList>

#include "calc/expected.h"

namespace tarvol {

// Late-bound automation: objects are reached by member names at run time, values travel as QVariant.

struct AutomationError {
    QString message;
};

class AutomationObject;
using AutomationRef = std::shared_ptr<AutomationObject>;

} // namespace tarvol

Q_DECLARE_METATYPE(tarvol::AutomationRef)

namespace tarvol {

// The answer to one call: a value (an object travels as an AutomationRef inside it) or an error.
class AutomationReply : public expected<QVariant, AutomationError> {
public:
    using expected::expected;

    bool ok() const { return has_value(); }
    AutomationRef object() const { return ok() ? value().value<AutomationRef>() : AutomationRef(); }

    static AutomationReply of(QVariant value) { return AutomationReply(std::move(value)); }
    static AutomationReply of(const AutomationRef& object) { return of(QVariant::fromValue(object)); }
    static AutomationReply fail(QString message)
    {
        return AutomationReply(unexpected<AutomationError>(AutomationError{std::move(message)}));
    }
};

class AutomationObject {
public:
    virtual ~AutomationObject() = default;

    // Member names are matched without regard to case, as late binding does.
    virtual AutomationReply get(const QString& member, const QVariantList& args = {}) = 0;
    virtual AutomationReply put(const QString& member, const QVariant& value) = 0;
    virtual AutomationReply call(const QString& member, const QVariantList& args = {}) = 0;
};

// Creates an object from its program identifier.
class AutomationFactory {
public:
    virtual ~AutomationFactory() = default;
    virtual AutomationReply create(const QString& programId) = 0;
};

class AutomationRegistry final : public AutomationFactory {
public:
    using Constructor = std::function<AutomationRef()>;

    void add(const QString& programId, const Constructor& make);
    AutomationReply create(const QString& programId) override;

private:
    QHash<QString, Constructor> m_classes; // keyed case-folded: program identifiers ignore case
};

// The registry the window uses; "Excel.Application" is answered by our own workbook component.
AutomationRegistry& automationRegistry();

// Error texts shared by the components.
QString unknownMemberMessage(const QString& member);
QString badArgumentsMessage(const QString& member);

} // namespace tarvol

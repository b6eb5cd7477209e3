#include "export/automation.h"

#include "export/workbookcomponent.h"

namespace tarvol {

void AutomationRegistry::add(const QString& programId, const Constructor& make)
{
    m_classes.insert(programId.toCaseFolded(), make);
}

AutomationReply AutomationRegistry::create(const QString& programId)
{
    const auto found = m_classes.constFind(programId.toCaseFolded());
    if (found == m_classes.constEnd())
        return AutomationReply::fail(QStringLiteral("Недопустимая строка с указанием класса: \"%1\"").arg(programId));
    AutomationRef object = (*found)();
    if (!object)
        return AutomationReply::fail(QStringLiteral("Не удаётся создать объект \"%1\"").arg(programId));
    return AutomationReply::of(object);
}

AutomationRegistry& automationRegistry()
{
    static AutomationRegistry registry = [] {
        AutomationRegistry r;
        r.add(QStringLiteral("Excel.Application"), makeWorkbookApplication);
        return r;
    }();
    return registry;
}

QString unknownMemberMessage(const QString& member) { return QStringLiteral("Неизвестное имя: \"%1\"").arg(member); }

QString badArgumentsMessage(const QString& member)
{
    return QStringLiteral("Неверные параметры вызова \"%1\"").arg(member);
}

} // namespace tarvol

#include "math/katextypesetter.h"

#include <QJSEngine>
#include <QJSValue>
#include <QLoggingCategory>

using namespace Qt::StringLiterals;

namespace {

QLoggingCategory::CategoryFilter previousFilter = nullptr;

// Qt's compiler warns about the bundle's variables used before their declaration, which is
// how minified code is written; nothing is wrong. Every other category keeps its rules.
void quietCompiler(QLoggingCategory *category)
{
    if (previousFilter)
        previousFilter(category);
    if (qstrcmp(category->categoryName(), "qt.qml.compiler") == 0)
        category->setEnabled(QtWarningMsg, false);
}

} // namespace

KatexTypesetter::KatexTypesetter(const QString &script)
    : m_engine(std::make_unique<QJSEngine>())
{
    static const bool quiet = [] {
        previousFilter = QLoggingCategory::installFilter(quietCompiler);
        return true;
    }();
    Q_UNUSED(quiet);
    // The bundle exports through `module` when there is one.
    m_engine->evaluate(u"var module = {exports: {}}; var exports = module.exports;"_s);
    const QJSValue loaded = m_engine->evaluate(script, u"katex.min.js"_s);
    m_engine->globalObject().setProperty(
        u"velmTypeset"_s,
        m_engine->evaluate(
            u"(function (tex, display) {"
            "  try {"
            "    return {html: module.exports.renderToString(tex, {displayMode: display,"
            "        output: 'html', throwOnError: true, trust: false, strict: 'ignore',"
            "        maxSize: 100})};"
            "  } catch (e) { return {error: String(e.message || e)}; }"
            "})"_s));
    m_valid = !loaded.isError() && m_engine->globalObject().property(u"velmTypeset"_s).isCallable()
        && m_engine->evaluate(u"typeof module.exports.renderToString"_s).toString()
            == u"function"_s;
}

KatexTypesetter::~KatexTypesetter() = default;

bool KatexTypesetter::isValid() const
{
    return m_valid;
}

KatexTypesetter::Result KatexTypesetter::typeset(const QString &tex, bool display) const
{
    if (!m_valid)
        return {{}, u"KaTeX is not loaded"_s};
    const QJSValue result
        = m_engine->globalObject().property(u"velmTypeset"_s).call({tex, display});
    if (result.hasProperty(u"html"_s))
        return {result.property(u"html"_s).toString(), {}};
    return {{}, result.property(u"error"_s).toString()};
}

#pragma once

#include <QString>

// When a question is looked up on the web before it goes to the model: "auto" lets a short
// list of cues decide, "always" and "never" do what they say.
enum class WebSearchMode { Auto, Always, Never };

namespace WebSearch {

// "always" and "auto"; any other text, empty included, never searches.
WebSearchMode modeFrom(const QString &text);
QString modeName(WebSearchMode mode);

} // namespace WebSearch

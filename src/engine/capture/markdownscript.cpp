#include "engine/capture/markdownscript.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>

namespace {

// Runs after the converter's code, inside the same function: everything the page
// shows is copied into a document of its own (where nothing loads or runs) with
// its addresses made absolute, then converted.
const char* const Rules = R"JS(
  var keepAll = __ALL__;
  var banners = __BANNERS__;
  // Cookie and consent banners, found as the capture's banner option finds them:
  // the consent frameworks' own, and fixed or sticky boxes that speak of cookies
  // and ask for an answer.
  var bannerWords = /\bcookies?\b|consent|gdpr|datenschutz|we value your privacy|privacy (settings|preferences|choices)/i;
  var bannerAnswers = /accept|agree|allow|got it|\bok\b|reject|decline|refuse|akzeptieren|zustimmen|accepter|aceptar|manage|settings|preferences|customi[sz]e/i;
  function matchesAny(element, selectors) {
    for (var i = 0; i < selectors.length; ++i) {
      try { if (element.matches(selectors[i])) return true; } catch (e) {}
    }
    return false;
  }
  function banner(element, style) {
    if (matchesAny(element, banners))
      return true;
    // The capture pins fixed boxes where they showed (absolute from then on).
    if (style.position !== 'fixed' && style.position !== 'sticky' && style.position !== 'absolute')
      return false;
    var text = element.innerText || '';
    if (text.length > 5000 || !bannerWords.test(text))
      return false;
    var buttons = element.querySelectorAll('button, [role="button"], a, input[type="button"], input[type="submit"]');
    for (var i = 0; i < buttons.length; ++i) {
      if (bannerAnswers.test(buttons[i].innerText || buttons[i].value || ''))
        return true;
    }
    return false;
  }
  // What a reader of the page's content does not want: the page's own chrome
  // (navigation, header, footer, side bars) and controls.
  var chrome = 'nav, header, footer, aside, [role="navigation"], [role="banner"], '
    + '[role="contentinfo"], [role="complementary"], [role="search"], [role="dialog"], '
    + '[aria-modal="true"], form, button, select, input, textarea, svg, canvas, iframe, '
    + 'object, embed, video, audio';
  var never = { SCRIPT: 1, STYLE: 1, NOSCRIPT: 1, TEMPLATE: 1, LINK: 1, META: 1 };
  var target = document.implementation.createHTMLDocument('');
  function leftOut(element) {
    if (element.hidden || element.getAttribute('aria-hidden') === 'true' || element.matches(chrome))
      return true;
    var style = getComputedStyle(element);
    return style.display === 'none' || style.visibility === 'hidden'
      || style.visibility === 'collapse' || banner(element, style);
  }
  // A copy of the page's content in a document of its own (nothing in it loads or
  // runs), without what is left out, with its addresses made absolute.
  function copy(node) {
    if (node.nodeType === 3)
      return target.createTextNode(node.data);
    if (node.nodeType !== 1 || never[node.nodeName.toUpperCase()])
      return null;
    if (!keepAll && leftOut(node))
      return null;
    var element = target.importNode(node, false);
    var name = element.nodeName;
    if (name === 'A') {
      if (/^\s*javascript:/i.test(node.getAttribute('href') || ''))
        element.removeAttribute('href');
      else if (node.hasAttribute('href'))
        element.setAttribute('href', node.href);
    } else if (name === 'IMG') {
      var source = node.currentSrc || node.src || '';
      // A picture written into the page itself would fill the text with its bytes.
      if (!source || /^data:/i.test(source))
        return node.alt ? target.createTextNode(node.alt) : null;
      element.setAttribute('src', source);
    }
    for (var child = node.firstChild; child; child = child.nextSibling) {
      var part = copy(child);
      if (part)
        element.appendChild(part);
    }
    return element;
  }
  var root = document.body ? copy(document.body) : null;
  if (!root)
    return '';

  var service = new TurndownService({ headingStyle: 'atx', codeBlockStyle: 'fenced',
    bulletListMarker: '-', hr: '---' });
  // GitHub's tables: a table of cells becomes one, its first row the heading row;
  // a table used for layout (one that holds another) gives its cells' content.
  function ownTable(node) { return node.closest('table'); }
  function isLayout(table) { return table.querySelector('table') !== null; }
  function columns(row) {
    var count = 0;
    for (var i = 0; i < row.cells.length; ++i)
      count += Math.max(1, row.cells[i].colSpan || 1);
    return count;
  }
  function width(table) {
    var widest = 0;
    for (var i = 0; i < table.rows.length; ++i)
      widest = Math.max(widest, columns(table.rows[i]));
    return widest;
  }
  service.addRule('tableCell', {
    filter: function (node) {
      return (node.nodeName === 'TD' || node.nodeName === 'TH') && !isLayout(ownTable(node));
    },
    replacement: function (content, node) {
      var text = content.replace(/\s*\n+\s*/g, ' ').replace(/\|/g, '\\|').trim();
      var cell = ' ' + text + ' |';
      for (var extra = 1; extra < (node.colSpan || 1); ++extra)
        cell += '  |';
      return cell;
    }
  });
  service.addRule('tableRow', {
    filter: function (node) {
      return node.nodeName === 'TR' && !isLayout(ownTable(node));
    },
    replacement: function (content, node) {
      var table = ownTable(node);
      var total = width(table);
      var row = '|' + content;
      for (var missing = columns(node); missing < total; ++missing)
        row += '  |';
      if (node === table.rows[0]) {
        var rule = '|';
        for (var i = 0; i < total; ++i)
          rule += ' --- |';
        row += '\n' + rule;
      }
      return '\n' + row;
    }
  });
  service.addRule('table', {
    filter: function (node) {
      return node.nodeName === 'TABLE' && !isLayout(node) && node.rows.length > 0;
    },
    replacement: function (content, node) {
      var caption = node.caption ? node.caption.textContent.trim() + '\n\n' : '';
      return '\n\n' + caption + content.replace(/\n+/g, '\n').trim() + '\n\n';
    }
  });
  service.addRule('tableCaption', {
    filter: 'caption',
    replacement: function () { return ''; }
  });
  // Cells of a layout table are blocks of their own.
  service.addRule('layoutCell', {
    filter: function (node) {
      return (node.nodeName === 'TD' || node.nodeName === 'TH') && isLayout(ownTable(node));
    },
    replacement: function (content) { return '\n\n' + content + '\n\n'; }
  });
  service.addRule('strikethrough', {
    filter: ['del', 's', 'strike'],
    replacement: function (content) { return '~~' + content + '~~'; }
  });
  // Preformatted text without a code element is a code block all the same.
  service.addRule('preformatted', {
    filter: function (node) {
      return node.nodeName === 'PRE' && !(node.firstChild && node.firstChild.nodeName === 'CODE');
    },
    replacement: function (content, node) {
      var text = node.textContent.replace(/\n$/, '');
      var fence = text.indexOf('```') >= 0 ? '~~~' : '```';
      return '\n\n' + fence + '\n' + text + '\n' + fence + '\n\n';
    }
  });
  return service.turndown(root).trim() + '\n';
)JS";

} // namespace

namespace MarkdownScript {

QString converterPath()
{
    return QStringLiteral(PAGELITH_TURNDOWN_PATH);
}

bool build(bool keepAll, const QStringList& bannerSelectors, QString* script, QString* error)
{
    QFile file(converterPath());
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("Markdown needs Turndown (the node-turndown package): %1: %2")
                     .arg(file.fileName(), file.errorString());
        return false;
    }
    QString converter = QString::fromUtf8(file.readAll());
    // The ES build ends in an export, which a script cannot hold; the rest is plain
    // script, and in a page it parses HTML with the browser's own DOMParser.
    static const QRegularExpression exportLine(
        QStringLiteral(R"(^\s*export\s*(\{[^}]*\}|default\b[^;\n]*);?\s*$)"),
        QRegularExpression::MultilineOption);
    converter.remove(exportLine);
    if (!converter.contains(QLatin1String("function TurndownService"))) {
        *error = QStringLiteral("Markdown: %1 is not Turndown's converter").arg(file.fileName());
        return false;
    }
    const QString banners = QString::fromUtf8(
        QJsonDocument(QJsonArray::fromStringList(bannerSelectors)).toJson(QJsonDocument::Compact));
    QString rules = QString::fromUtf8(Rules);
    rules.replace(
        QLatin1String("__ALL__"), keepAll ? QLatin1String("true") : QLatin1String("false"));
    rules.replace(QLatin1String("__BANNERS__"), banners);
    *script = QStringLiteral("(function () {\n") + converter + rules + QStringLiteral("\n})()");
    return true;
}

} // namespace MarkdownScript

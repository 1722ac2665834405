#include "server/routes.h"

#include <new>

#include <dexmora/error.h>

#include "server/error_page.h"
#include "server/json.h"
#include "server/openapi.h"
#include "server/page_source.h"
#include "server/product.h"
#include "server/query.h"
#include "server/symbol_request.h"

namespace dexmora::serve {

namespace {

constexpr std::string_view kImmutable = "public, max-age=31536000, immutable";
constexpr std::string_view kBusy = "too many symbols are being made at once; try again in a second";
constexpr std::string_view kNoText = "Type the text to put in the symbol first.";

bool startsWithIgnoringCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    const char c = text[i] >= 'A' && text[i] <= 'Z' ? static_cast<char>(text[i] + 32) : text[i];
    if (c != prefix[i]) return false;
  }
  return true;
}

// The status of a refusal by the library: the caller's request is at fault
// unless memory ran out or the image library failed.
unsigned statusOf(ErrorCode code) {
  switch (code) {
    case ErrorCode::OutOfMemory: return 503;
    case ErrorCode::RenderFailed:
    case ErrorCode::WriteFailed:
    case ErrorCode::VerifyMismatch: return 500;
    default: return 400;
  }
}

Reply libraryError(const Error& error) {
  Reply reply = errorReply(statusOf(error.code()), errorName(error.code()), error.message());
  if (reply.status == 503) reply.headers.push_back({"Retry-After", "1"});
  return reply;
}

// The form's page for a refusal: a sentence for the person, then the detail.
Reply formError(unsigned status, const Error& error) {
  return errorPage(status, errorName(error.code()), error.message(), formSentence(error.code()));
}

// A form without text gets a sentence for a person, not the endpoint's
// words about data and data-hex.
bool hasText(const std::vector<Parameter>& fields) {
  for (const Parameter& field : fields)
    if (field.name == "data" && !field.value.empty()) return true;
  return false;
}

// If-None-Match holds our tag (weak or strong, the comparison is weak) or is
// "*"; asked only of an answer that would be 200.
bool matchesTag(std::string_view ifNoneMatch, std::string_view tag) {
  if (ifNoneMatch.find(tag) != std::string_view::npos) return true;
  const size_t star = ifNoneMatch.find_first_not_of(" \t");
  return star != std::string_view::npos && ifNoneMatch[star] == '*';
}

void addFacts(Reply& reply, const SymbolFacts& facts) {
  reply.headers.push_back({"Dexmora-Symbol-Size", facts.size});
  if (!facts.noticeHeader.empty()) reply.headers.push_back({"Dexmora-Notice", facts.noticeHeader});
}

Header disposition(Format format) {
  return {"Content-Disposition", "attachment; filename=\"datamatrix." + std::string(formatName(format)) + "\""};
}

Reply pictureReply(Product product, const SymbolRequest& request) {
  Reply reply;
  reply.body = std::move(product.bytes);
  reply.contentType = product.mediaType;
  reply.format = static_cast<int>(request.format);
  if (request.download) reply.headers.push_back(disposition(request.format));
  addFacts(reply, product.facts);
  return reply;
}

// A GET's answer: the picture with its validator, or 304 when the client has
// it. The 304 carries the 200's ETag and Cache-Control.
Reply answerReply(const std::shared_ptr<const CachedAnswer>& answer, std::string_view ifNoneMatch) {
  Reply reply;
  reply.format = static_cast<int>(answer->format);
  reply.headers.push_back({"ETag", answer->tag});
  reply.headers.push_back({"Cache-Control", std::string(kImmutable)});
  if (!ifNoneMatch.empty() && matchesTag(ifNoneMatch, answer->tag)) {
    reply.status = 304;
    return reply;
  }
  reply.contentType = mediaType(answer->format);
  if (answer->download) reply.headers.push_back(disposition(answer->format));
  addFacts(reply, answer->facts);
  reply.shared = std::shared_ptr<const std::string>(answer, &answer->body);
  return reply;
}

Reply outOfMemory() {
  Reply reply = errorReply(503, errorName(ErrorCode::OutOfMemory), "out of memory");
  reply.headers.push_back({"Retry-After", "1"});
  return reply;
}

}  // namespace

Method methodOf(std::string_view name) {
  if (name == "GET") return Method::Get;
  if (name == "HEAD") return Method::Head;
  if (name == "POST") return Method::Post;
  if (name == "OPTIONS") return Method::Options;
  return Method::Other;
}

RouteInfo routeOf(std::string_view path) {
  if (path == "/v1/datamatrix") return {Route::Symbol, "GET, HEAD, POST, OPTIONS", true};
  if (path == "/") return {Route::Page, "GET, HEAD, OPTIONS", false};
  if (path == "/form") return {Route::Form, "POST, OPTIONS", true};
  if (path == "/healthz") return {Route::Health, "GET, HEAD, OPTIONS", false};
  if (path == "/metrics") return {Route::Metrics, "GET, HEAD, OPTIONS", false};
  if (path == "/v1/openapi.json") return {Route::OpenApi, "GET, HEAD, OPTIONS", false};
  return {Route::Unknown, "", false};
}

bool allows(const RouteInfo& info, Method method) {
  switch (method) {
    case Method::Get:
    case Method::Head: return info.route != Route::Form && info.route != Route::Unknown;
    case Method::Post: return info.route == Route::Symbol || info.route == Route::Form;
    case Method::Options: return info.route != Route::Unknown;
    default: return false;
  }
}

Reply errorReply(unsigned status, std::string_view code, std::string_view message) {
  Reply reply;
  reply.status = status;
  reply.body = errorJson(code, message);
  reply.contentType = "application/json";
  return reply;
}

Service::Service(const ServeSettings& settings, Metrics& metrics, const WorkPool& pool)
    : m_settings(settings), m_metrics(metrics), m_pool(pool), m_openApi(openApiDocument()), m_cache(settings.cacheBytes) {}

Outcome Service::handle(const Request& request, const RouteInfo& route) {
  if (request.method == Method::Options) {
    Reply reply;
    reply.status = 204;
    reply.headers.push_back({"Allow", std::string(route.allow)});
    return reply;
  }
  try {
    switch (route.route) {
      case Route::Symbol: return symbol(request);
      case Route::Form: return form(request);
      case Route::Page: {
        Reply reply;
        reply.body = generatorPage(request.acceptLanguage);
        reply.contentType = "text/html; charset=utf-8";
        reply.headers.push_back({"Vary", "Accept-Language"});
        reply.headers.push_back({"Cache-Control", "no-cache"});
        return reply;
      }
      case Route::Health: {
        Reply reply;
        reply.body = "ok\n";
        reply.contentType = "text/plain; charset=utf-8";
        reply.headers.push_back({"Cache-Control", "no-store"});
        return reply;
      }
      case Route::Metrics: {
        Reply reply;
        reply.body = m_metrics.text({m_pool.load(), m_pool.queued(), m_pool.started(), m_pool.waitedSeconds()});
        reply.contentType = "text/plain; version=0.0.4; charset=utf-8";
        reply.headers.push_back({"Cache-Control", "no-store"});
        return reply;
      }
      case Route::OpenApi: {
        Reply reply;
        reply.body = m_openApi;
        reply.contentType = "application/json";
        return reply;
      }
      default: return errorReply(404, "not_found", "no such path");
    }
  } catch (const std::bad_alloc&) {
    return outOfMemory();
  }
}

Outcome Service::symbol(const Request& request) {
  const bool post = request.method == Method::Post;
  // A target asked for before is answered from the cache without parsing it again.
  if (!post) {
    if (const std::shared_ptr<const CachedAnswer> kept = m_cache.find(request.target)) {
      m_metrics.countCacheHit();
      return answerReply(kept, request.ifNoneMatch);
    }
  }
  const Expected<std::vector<Parameter>> parameters = splitQuery(queryOf(request.target));
  if (!parameters) return libraryError(parameters.error());
  Expected<SymbolRequest> parsed =
      parseSymbolRequest(*parameters, post ? DataSource::Body : DataSource::Query, request.body);
  if (!parsed) return libraryError(parsed.error());
  parsed->options.renderSettings().setLimits(PictureLimits{m_settings.maxSide, m_settings.maxPixels});
  // A POST's answer is no cache entry: it carries no validator.
  Work work{std::move(parsed).value(), std::string(), std::string(), false};
  if (!post) {
    work.cacheTarget = request.target;
    work.ifNoneMatch = request.ifNoneMatch;
  }
  return work;
}

Outcome Service::form(const Request& request) {
  if (!startsWithIgnoringCase(request.contentType, "application/x-www-form-urlencoded")) {
    return errorPage(415, "unsupported_media_type",
                     "the form is sent as application/x-www-form-urlencoded (a form without enctype)",
                     "The form was sent in a way this page does not take.");
  }
  const Expected<std::vector<Parameter>> fields = splitQuery(request.body);
  if (!fields) return formError(400, fields.error());
  if (!hasText(*fields)) return errorPage(400, errorName(ErrorCode::BadOption), "", kNoText);
  Expected<SymbolRequest> parsed = parseSymbolRequest(*fields, DataSource::Query, {}, true);
  if (!parsed) return formError(400, parsed.error());
  parsed->options.renderSettings().setLimits(PictureLimits{m_settings.maxSide, m_settings.maxPixels});
  return Work{std::move(parsed).value(), std::string(), std::string(), true};
}

Reply Service::complete(Work& work) {
  try {
    Expected<Product> product = makeProduct(work.request);
    if (!product) {
      const Error& error = product.error();
      Reply reply = work.form ? formError(statusOf(error.code()), error) : libraryError(error);
      reply.format = static_cast<int>(work.request.format);
      return reply;
    }
    m_metrics.countSymbol();
    if (work.cacheTarget.empty()) return pictureReply(std::move(product).value(), work.request);
    const SymbolRequest& request = work.request;
    auto answer = std::make_shared<CachedAnswer>(CachedAnswer{std::move(product->bytes), entityTag(request),
                                                              request.format, request.download,
                                                              std::move(product->facts)});
    m_cache.store(work.cacheTarget, answer);
    return answerReply(answer, work.ifNoneMatch);
  } catch (const std::bad_alloc&) {
    return outOfMemory();
  }
}

Reply Service::busy(const Work& work) {
  Reply reply = work.form ? errorPage(503, "busy", kBusy, "Too many symbols are being made right now; try again in a moment.")
                          : errorReply(503, "busy", kBusy);
  reply.format = static_cast<int>(work.request.format);
  reply.headers.push_back({"Retry-After", "1"});
  return reply;
}

}  // namespace dexmora::serve

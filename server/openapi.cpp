#include "server/openapi.h"

#include <string_view>

#include <dexmora/error.h>
#include <dexmora/option_set.h>
#include <dexmora/version.h>

#include "server/json.h"
#include "server/symbol_request.h"

namespace dexmora::serve {

namespace {

std::string jsonString(std::string_view text) {
  std::string out;
  appendJsonString(out, text);
  return out;
}

std::string parameter(std::string_view key, std::string_view syntax, std::string_view summary, bool isSwitch) {
  std::string description(summary);
  if (!syntax.empty()) description += " (" + std::string(syntax) + ")";
  std::string schema;
  if (isSwitch) {
    schema = R"({"type": "string", "enum": ["", "1", "0", "true", "false", "yes", "no", "on", "off"]})";
  } else if (key == "format") {
    schema = R"({"type": "string", "enum": ["png", "svg", "pdf", "eps", "txt", "json"], "default": "png"})";
  } else {
    schema = R"({"type": "string"})";
  }
  return "{\"name\": " + jsonString(key) + ", \"in\": \"query\", \"required\": false, " +
         (isSwitch ? "\"allowEmptyValue\": true, " : "") + "\"description\": " + jsonString(description) +
         ", \"schema\": " + schema + "}";
}

// Every parameter of the endpoint; a POST takes the data as its body instead.
std::string parameters(bool withData) {
  std::string out = "[";
  bool first = true;
  const auto add = [&](const std::string& item) {
    out += first ? "\n        " : ",\n        ";
    out += item;
    first = false;
  };
  for (const ServiceParameter& p : serviceParameters()) {
    if (!withData && (p.key == "data" || p.key == "data-hex")) continue;
    add(parameter(p.key, p.syntax, p.summary, p.key == "download"));
  }
  for (const OptionInfo& option : optionTable()) {
    if (option.key == "format") continue;  // the service's own, which adds json
    add(parameter(option.key, option.syntax, option.summary, option.isSwitch));
  }
  return out + "\n      ]";
}

std::string errorCodes() {
  std::string out;
  constexpr ErrorCode kCodes[] = {ErrorCode::BadOption, ErrorCode::TooLong,       ErrorCode::NotEncodable,
                                  ErrorCode::BadGs1,    ErrorCode::PictureTooLarge, ErrorCode::RenderFailed,
                                  ErrorCode::OutOfMemory};
  for (const ErrorCode code : kCodes) out += jsonString(errorName(code)) + ", ";
  return out + R"("not_found", "method_not_allowed", "body_too_large", "target_too_large", "unsupported_media_type", "busy", "internal_error", "bad_framing", "unsupported_transfer_coding")";
}

constexpr std::string_view kSymbolResponses = R"({
        "200": {"description": "The symbol in the format asked for; the same bytes dexmora-cli writes with the same options.",
          "headers": {"ETag": {"schema": {"type": "string"}}, "Cache-Control": {"schema": {"type": "string"}},
                      "Content-Disposition": {"description": "with download", "schema": {"type": "string"}},
                      "Dexmora-Symbol-Size": {"description": "the size made, ROWSxCOLS", "schema": {"type": "string", "example": "18x18"}},
                      "Dexmora-Notice": {"description": "the library's notices about the symbol as an RFC 8941 list, e.g. size_raised;asked=\"10x10\";used=\"18x18\" when the size asked for was too small; exact-size refuses instead", "schema": {"type": "string"}},
                      "X-Request-Id": {"description": "the request's id, the client's own when it sent one", "schema": {"type": "string"}}},
          "content": {"image/png": {"schema": {"type": "string", "format": "binary"}},
                      "image/svg+xml": {"schema": {"type": "string"}},
                      "application/pdf": {"schema": {"type": "string", "format": "binary"}},
                      "application/postscript": {"schema": {"type": "string"}},
                      "text/plain": {"schema": {"type": "string"}},
                      "application/json": {"schema": {"$ref": "#/components/schemas/Symbol"}}}},
        "304": {"description": "If-None-Match named this response's ETag (or was *) and the answer would have been 200; the same ETag and Cache-Control."},
        "400": {"$ref": "#/components/responses/BadRequest"},
        "405": {"$ref": "#/components/responses/MethodNotAllowed"},
        "413": {"description": "The body is over the server's limit (body_too_large).", "content": {"application/json": {"schema": {"$ref": "#/components/schemas/Error"}}}},
        "414": {"description": "The request target is over the server's limit (target_too_large; from libmicrohttpd itself when the line does not fit its buffer).", "content": {"application/json": {"schema": {"$ref": "#/components/schemas/Error"}}}},
        "431": {"description": "The request's header fields are too large (answered by libmicrohttpd)."},
        "501": {"description": "A transfer coding other than chunked (unsupported_transfer_coding); the connection is closed.", "content": {"application/json": {"schema": {"$ref": "#/components/schemas/Error"}}}},
        "500": {"description": "The picture could not be made (render_failed, internal_error).", "content": {"application/json": {"schema": {"$ref": "#/components/schemas/Error"}}}},
        "503": {"$ref": "#/components/responses/Busy"}
      })";

}  // namespace

std::string openApiDocument() {
  std::string doc = R"({
  "openapi": "3.0.3",
  "info": {
    "title": "dexmora-serve",
    "description": "Data Matrix ECC200 symbols over HTTP. Option names are dexmora-cli's long options and take the same values. In the query (and in form bodies) a + is a space and %2B a plus, as HTML forms, URLSearchParams and urlencode write them; everything else is percent-decoded to bytes (%FF is the byte 0xFF). Errors are never pictures: they are JSON objects with the library's stable error name.",
    "version": )" + jsonString(libraryVersion()) +
                    R"(
  },
  "paths": {
    "/v1/datamatrix": {
      "get": {
        "operationId": "getSymbol",
        "summary": "A symbol of the data in the query",
        "parameters": )" + parameters(true) +
                    R"(,
        "responses": )" + std::string(kSymbolResponses) +
                    R"(
      },
      "head": {
        "operationId": "headSymbol",
        "summary": "The headers GET would send",
        "parameters": )" + parameters(true) +
                    R"(,
        "responses": )" + std::string(kSymbolResponses) +
                    R"(
      },
      "post": {
        "operationId": "postSymbol",
        "summary": "A symbol of the request body, any bytes",
        "parameters": )" + parameters(false) +
                    R"(,
        "requestBody": {"required": true, "content": {"application/octet-stream": {"schema": {"type": "string", "format": "binary"}}}},
        "responses": )" + std::string(kSymbolResponses) +
                    R"(
      }
    },
    "/form": {
      "post": {
        "operationId": "postForm",
        "summary": "The generator page's form without JavaScript: the same fields as the endpoint, form-encoded (a + is a space); blank fields are left out",
        "requestBody": {"required": true, "content": {"application/x-www-form-urlencoded": {"schema": {"type": "object"}}}},
        "responses": {
          "200": {"description": "The symbol, as from the endpoint."},
          "400": {"description": "An HTML page that names the error.", "content": {"text/html": {"schema": {"type": "string"}}}},
          "415": {"description": "The body is not form-encoded; an HTML page.", "content": {"text/html": {"schema": {"type": "string"}}}},
          "503": {"description": "Too many symbols are being made at once; an HTML page.", "content": {"text/html": {"schema": {"type": "string"}}}}
        }
      }
    },
    "/": {"get": {"operationId": "getPage", "summary": "The generator page", "responses": {"200": {"description": "HTML", "content": {"text/html": {"schema": {"type": "string"}}}}}}},
    "/healthz": {"get": {"operationId": "getHealth", "summary": "ok while the server runs", "responses": {"200": {"description": "ok", "content": {"text/plain": {"schema": {"type": "string"}}}}}}},
    "/metrics": {"get": {"operationId": "getMetrics", "summary": "Prometheus metrics", "responses": {"200": {"description": "The text exposition format", "content": {"text/plain": {"schema": {"type": "string"}}}}}}},
    "/v1/openapi.json": {"get": {"operationId": "getOpenApi", "summary": "This document", "responses": {"200": {"description": "OpenAPI 3.0", "content": {"application/json": {"schema": {"type": "object"}}}}}}}
  },
  "components": {
    "schemas": {
      "Error": {
        "type": "object",
        "required": ["error", "message"],
        "properties": {
          "error": {"type": "string", "enum": [)" + errorCodes() +
                    R"(]},
          "message": {"type": "string"}
        }
      },
      "Symbol": {
        "type": "object",
        "properties": {
          "rows": {"type": "integer"},
          "cols": {"type": "integer"},
          "size": {"type": "string", "example": "12x12"},
          "data_length": {"type": "integer", "description": "data codewords the data took"},
          "capacity": {"type": "integer", "description": "data codewords the size holds"},
          "notices": {"type": "array", "items": {"type": "object", "required": ["name", "message"], "properties": {"name": {"type": "string", "example": "size_raised"}, "message": {"type": "string"}}, "additionalProperties": {"type": "string"}}, "description": "the library's notices, each with its figures; for size_raised: asked and used"},
          "codewords": {"type": "array", "items": {"type": "integer"}, "description": "data codewords, then the interleaved error correction, as dexmora-cli --codewords prints them"},
          "modules": {"type": "array", "items": {"type": "string"}, "description": "rows from the top, 1 for dark, as dexmora-cli --dump prints them"}
        }
      }
    },
    "responses": {
      "BadRequest": {"description": "Bad data or options, in the command line's words (bad_option, too_long, not_encodable, bad_gs1, picture_too_large); or a request whose framing cannot be trusted (bad_framing: a repeated or malformed Content-Length, Content-Length with Transfer-Encoding, a space before a colon, no Host), after which the connection is closed.", "content": {"application/json": {"schema": {"$ref": "#/components/schemas/Error"}}}},
      "MethodNotAllowed": {"description": "The path does not take this method; Allow lists those it takes.", "content": {"application/json": {"schema": {"$ref": "#/components/schemas/Error"}}}},
      "Busy": {"description": "Too many symbols are being made at once (busy), or memory ran out (out_of_memory); Retry-After says when to try again.", "headers": {"Retry-After": {"schema": {"type": "integer"}}}, "content": {"application/json": {"schema": {"$ref": "#/components/schemas/Error"}}}}
    }
  }
}
)";
  return doc;
}

}  // namespace dexmora::serve

"""Texts from the till in UTF-8: a character Windows-1250 lacks (an emoji,
Cyrillic, a combining accent on a letter that has none in it) is refused
naming the character and its place, nothing sent; a Polish letter written
decomposed (a letter and a combining accent, NFD) is printed as the one
letter."""
import unicodedata

BREAD = {"name": "Chleb razowy 500g", "rate": "A", "quantity": 1, "unit": "szt", "price": "4.50"}


def test_a_character_windows_1250_lacks_is_named_with_its_place(service, printer):
    heard = len(printer.journal())
    cases = [
        ({"items": [dict(BREAD, name="Kawa \U0001F600 250g")]}, "items[0]", "U+1F600", 6),
        ({"items": [dict(BREAD, name="Хлеб ржаной")]}, "items[0]", "U+0425", 1),
        # A combining accent with no letter of Windows-1250 to make with it.
        ({"items": [BREAD, dict(BREAD, name="Chleb x\u0301 500g")]}, "items[1]", "U+0301", 8),
        ({"items": [BREAD], "payments": [{"name": "Karta \u20bd", "paid": "4.50"}]},
         "payments[0]", "U+20BD", 7),
        ({"items": [BREAD], "lines": [{"text": "Dziękujemy \U0001F642"}]}, "lines[0]", "U+1F642",
         12),
    ]
    for body, where, named, place in cases:
        status, _, answer = service.sell("lacks-" + named, body)
        assert status == 400, (named, answer)
        message = answer["error"]["message"]
        assert message.startswith(where), (named, message)
        assert named in message and f"at character {place}" in message, (named, message)
    assert "receipt begin" not in printer.journal()[heard:]


def test_polish_letters_written_decomposed_are_printed_as_letters(service, printer):
    name = "Zażółć gęślą jaźń"
    text = "ŻÓŁTE ŹDŹBŁO Ęą"
    decomposed = unicodedata.normalize("NFD", name)
    assert len(decomposed) > len(name)
    body = {"items": [dict(BREAD, name=decomposed)],
            "lines": [{"text": unicodedata.normalize("NFD", text)}]}
    status, _, answer = service.sell("nfd", body)
    assert status == 201, answer
    printout = printer.journal()
    assert "| " + name in printout, printout[-2000:]
    assert text in printout
    # The same letters composed are the same article: the day's totals agree.
    status, _, answer = service.sell("nfc", {"items": [dict(BREAD, name=name)]})
    assert status == 201, answer

// Coin catcher: walk the blue square with the arrow keys onto the gold coin. Every coin caught
// scores a point and a new one appears somewhere else. The score is drawn in a TrueType font.
// Escape quits.
#include <Brindlewood.h>

#include <random>
#include <string>

const int CELL = 40, COLUMNS = 12, ROWS = 9, TOP = 50;  // the board starts below the score
const Color GOLD(255, 200, 0), GRID(225, 225, 225);

Style paint(Color colour) { return Style(colour, 1, Style::COPY_OP, Style::defaultpattern); }

struct Place {
    int column, row;
    bool operator==(const Place& other) const { return column == other.column && row == other.row; }
};

int main() {
    Window window(100, 100, COLUMNS * CELL, TOP + ROWS * CELL, "Coin catcher");
    window.disableAutoPageFlip();  // each picture is drawn whole, then shown
    Font scoreFont("DejaVu Sans:bold", 20);  // a TrueType font, found by its family name
    std::mt19937 random(std::random_device{}());
    auto anywhere = [&] { return Place{int(random() % COLUMNS), int(random() % ROWS)}; };

    Place player{0, 0}, coin{COLUMNS - 1, ROWS - 1};
    int score = 0;
    while (window.isOpen()) {
        window.clear();
        for (int column = 0; column <= COLUMNS; column++)
            window.drawLine(paint(GRID), column * CELL, TOP, column * CELL, TOP + ROWS * CELL);
        for (int row = 0; row <= ROWS; row++)
            window.drawLine(paint(GRID), 0, TOP + row * CELL, COLUMNS * CELL, TOP + row * CELL);
        window.drawCircleFilled(paint(GOLD), coin.column * CELL + CELL / 2, TOP + coin.row * CELL + CELL / 2, CELL / 3);
        window.drawRectangleFilled(Style::BLUE, player.column * CELL + 4, TOP + player.row * CELL + 4,
                                   (player.column + 1) * CELL - 4, TOP + (player.row + 1) * CELL - 4);
        window.drawText(Style::BLACK, scoreFont, 10, 35, "Score: " + std::to_string(score));
        window.flipPage();

        int key = window.waitForKeyboardEvent().getValue();
        if (key == NamedKey::ESCAPE) return 0;
        if (key == NamedKey::LEFT_ARROW && player.column > 0) player.column--;
        if (key == NamedKey::RIGHT_ARROW && player.column < COLUMNS - 1) player.column++;
        if (key == NamedKey::UP_ARROW && player.row > 0) player.row--;
        if (key == NamedKey::DOWN_ARROW && player.row < ROWS - 1) player.row++;
        if (player == coin) {
            score++;
            while (coin == player) coin = anywhere();
        }
    }
}

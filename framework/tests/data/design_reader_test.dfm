object Form1: TDesignTestForm
  object Panel1: TPanel
    Color = 15921919
    object Memo1: TMemo
      Lines.Strings = (
        '127.0.0.1             localhost')
    end
  end
end

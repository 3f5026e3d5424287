-- The pages link each other as Markdown files and show the screenshots of
-- docs/ ("../grafico.png"), so they read right where they are written; in
-- the HTML guide a link goes to the page's .html and a screenshot to the
-- copy in immagini/, which is installed with the guide.
function Link(l)
  l.target = l.target:gsub("^([%w-]+)%.md(#?.*)$", "%1.html%2")
  return l
end

function Image(i)
  i.src = i.src:gsub("^%.%./([%w_-]+%.png)$", "immagini/%1")
  return i
end
